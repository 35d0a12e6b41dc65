// The program's start-up and its handlers, written once for both editions. The handlers
// change programState and ask GLUT for a redraw; only the display handlers draw, through
// the renderer. What a GLUT window and a browser page do differently is the shell's
// (app/shell.h), and each edition's shell passes its input on to these handlers.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "state/pixel_history.h"

// The window's title; on the desktop also its caption outside the stepping mode.
constexpr const char* WINDOW_TITLE = "moving shadows, hit 't' and 'T'";

// Every lower-case 's' in the first argument asks for a single-buffered window and is
// acknowledged with a line on `out`; nothing else, and no later argument, counts.
// Returns the value for doubleBuffered: 1, or 0 once an 's' was seen.
int scanBufferingOption(int argc, char** argv, std::FILE* out);

// Everything before the main loop: the shell, the option, the window, the scene, the
// handlers.
void startProgram(int& argc, char** argv);

// The two display handlers, exactly one of which GLUT has installed at any time.
void displayShadowView();
// Lasts one frame: once presented, it installs the shadow view for whatever redraw is next.
void displayPlainView();

void onKey(unsigned char key, int x, int y);
// A key let go: the compare key 'c' ends the comparison it began.
void onKeyUp(unsigned char key, int x, int y);
// The arrow keys and Page Up / Page Down, by GLUT's numbers (GLUT_KEY_LEFT, ...).
void onSpecialKey(int key, int x, int y);
// A press of GLUT's left or middle button at (x, y), with Shift held or not: Shift turns
// the left button into the middle one.
void onPress(int button, bool shiftHeld, int x, int y);
void onDrag(int x, int y);
// The pointer at (x, y) with no button held: while the stencil view is on, once the pointer
// has rested there a moment, that pixel's history is shown.
void onPoint(int x, int y);
void onReshape(int width, int height);
// The shell has left full screen by its own means: the state follows.
void onFullScreenLeft();
// The right-button menu. The first items act as the keys they name and pass those keys
// to onMenu as their values; the next two switch how the shadows are drawn, then the
// stepping mode and soft shadows; the next four add a light, remove one, select the next
// (the keys 1 to 4 select one each) and turn the selected one into the sun or back, the
// three of them keys too; then the stencil view (as its key 'v'), the switches of the back
// wall, the right wall and the ceiling as receivers, the board (as its key 'k'), the next
// variant of the pass, and full screen (as its key 'f'). While stepping, the next and
// previous step follow, with soft shadows on, a larger and a smaller light, and with the
// board, its two tilts and two moves, each as its key.
constexpr int MENU_TRANSLUCENT_SHADOWS = 256;
constexpr int MENU_STENCIL = 257;
constexpr int MENU_STEPPING = 258;
constexpr int MENU_SOFT_SHADOWS = 259;
constexpr int MENU_NEXT_LIGHT = 260;
constexpr int MENU_BACK_WALL = 261;
constexpr int MENU_RIGHT_WALL = 262;
constexpr int MENU_CEILING = 263;
// Then the next variant of the pass (state/variants.h), in their order, and after the last
// the right pass again.
constexpr int MENU_NEXT_VARIANT = 264;
// Then what a user takes away: Record starts keeping the selected light's path
// (state/light_path.h) and, chosen again, stops.
constexpr int MENU_RECORD = 265;
// Save picture and Save animation, as app/shell.h's savePicture and saveAnimation.
constexpr int MENU_SAVE_PICTURE = 266;
constexpr int MENU_SAVE_ANIMATION = 267;
// In the start state.
constexpr int MENU_ITEM_COUNT = 21;
void onMenu(int item);

// A link's state text (state/state_text.h), as the page's address holds it: the start
// state with what the text names, and unless the text is empty, the tint at rest. Returns the parts
// it could not read and why, one "'part': why" each; it applies the rest all the same.
std::vector<std::string> onStateText(const std::string& text);

// The history of window pixel (x, y) from the top left as programState stands, drawn and
// read back offscreen (state/renderer.h); without stages for a pixel outside the window, or
// where no offscreen target can be had.
PixelHistory pixelHistory(int x, int y);

// ---- What the Save items write, drawn for the shell -------------------------------------

// The picture as it stands, drawn again and read back before it is shown: RGB, top row first,
// at the window's size.
std::vector<unsigned char> currentPicture();

// Position `index` of the path drawn at rest, the selected light standing there, and read
// back; then the picture as it stands drawn and shown again, so that the window never shows
// the position. Each frame comes from its position alone.
std::vector<unsigned char> pathPicture(int index);

// ---- The idle work, which each shell runs in its own way ------------------------------

// Raises the tint by one step up to just below 1.0, where it rests; false once a step no
// longer changes it. The level shows only in frames that something else causes.
bool stepTint();

// One step of soft shadows' refinement: the next number of the light's points, drawn by
// the redraw it asks for. Waiting while the picture has changed too recently; done once
// there is nothing left to refine.
enum class Refinement { Done, Waiting, Stepped };
Refinement stepRefinement();

// How long until the picture has stood still long enough to refine; 0 or less once it has.
int millisecondsUntilStill();
