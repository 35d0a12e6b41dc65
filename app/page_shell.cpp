// The browser's shell: a web page (web/index.html, web/page.js) that hears every key,
// press, drag and size change itself and passes them on through the entry points at the
// end of this file. GLUT here only keeps the display and reshape handlers and schedules the
// redraws, at most one per animation frame.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "app/shell.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/renderer.h"

namespace {

// On the desktop the idle handler runs as often as the main loop turns, and the tint rests
// about a tenth of a second after start-up. A browser's timers wait at least 4 ms, on which
// the 4001 steps would take 16 s, so the same steps run this many times per animation frame
// instead: 21 frames, a third of a second.
constexpr int IDLE_STEPS_PER_FRAME = 200;

bool programEnded = false;
bool idleStepsRunning = false;
// A browser may take the GL context away (a background tab, a GPU reset); until it gives
// it back nothing is drawn and the idle steps wait.
bool contextLost = false;
bool tintAtRest = false;
// The state text the page was given last. Sent again after the page has applied its
// address, which may have held more than the program could read.
std::string sentStateText;
bool stateTextSent = false;

// The tint's steps, and one refinement step, whose redraw comes on the next animation
// frame. Where the desktop's idle handler unregisters itself, the animation frames stop.
EM_BOOL runIdleSteps(double, void*) {
    const bool stopped = programEnded || contextLost;
    bool tinting = !stopped && !tintAtRest;
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && tinting; ++step) {
        tinting = stepTint();
    }
    tintAtRest = tintAtRest || (!stopped && !tinting);
    const bool refining = !stopped && stepRefinement() != Refinement::Done;
    idleStepsRunning = tinting || refining;
    return idleStepsRunning ? EM_TRUE : EM_FALSE;
}

// Stands in for the display handler while the context is lost: a redraw already asked for
// finds nothing to draw into.
void displayNothing() {}

// ---- The one way to the page --------------------------------------------------------------
// Every call from the program to the page names one of the page's callbacks (web/page-calls.js,
// the one list of them) and hands it one value as JSON, which the page parses.

EM_JS(void, callPageWithJson, (const char* name, const char* json),
      { Module["programCalls"][UTF8ToString(name)](JSON.parse(UTF8ToString(json))); });

void callPage(const char* name, const std::string& json = "null") {
    callPageWithJson(name, json.c_str());
}

std::string json(const std::string& text) {
    static const char HEX[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            quoted += "\\u00";
            quoted += HEX[byte >> 4];
            quoted += HEX[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string json(int number) {
    return std::to_string(number);
}

std::string json(bool on) {
    return on ? "true" : "false";
}

std::string json(const MenuItem& item);
std::string json(const LegendEntry& entry);
std::string json(const PixelStage& stage);

template <typename T>
std::string json(const std::vector<T>& list) {
    std::string text = "[";
    for (const T& each : list) {
        text += (text.size() > 1 ? "," : "") + json(each);
    }
    return text + "]";
}

// An object from its members' names and their values, already JSON.
std::string object(std::initializer_list<std::pair<const char*, std::string>> members) {
    std::string text = "{";
    for (const auto& [name, value] : members) {
        text += (text.size() > 1 ? ",\"" : "\"") + std::string(name) + "\":" + value;
    }
    return text + "}";
}

// By the names web/index.html gives its groups, in MenuGroup's order.
std::string json(MenuGroup group) {
    static const char* const NAMES[] = {"Stepping", "Shadows", "Lights", "Views",  "Teapot",
                                        "Room",     "Board",   "Share",  "Program"};
    return json(std::string(NAMES[static_cast<int>(group)]));
}

std::string json(const MenuItem& item) {
    return object(
        {{"label", json(item.label)}, {"value", json(item.value)}, {"group", json(item.group)}});
}

std::string json(const LegendEntry& entry) {
    return object({{"value", json(entry.value)},
                   {"colours", json(entry.colours)},
                   {"meaning", json(entry.meaning)}});
}

std::string json(const PixelSample& sample) {
    return object({{"colour", json(std::vector<int>{sample.r, sample.g, sample.b})},
                   {"stencil", json(static_cast<int>(sample.stencil))}});
}

std::string json(const PixelStage& stage) {
    return object({{"name", json(stage.name)},
                   {"counts", json(stage.counts)},
                   {"before", json(stage.before)},
                   {"after", json(stage.after)}});
}

// The browser restores a lost context only if the page asks for it by preventing the
// event's default, which returning true does.
EM_BOOL onContextLost(int, const void*, void*) {
    contextLost = true;
    glutDisplayFunc(displayNothing);
    callPage("contextLost", json(true));
    return EM_TRUE;
}

// Every GL object went with the old context: the renderer makes them all again, and the
// same state is drawn at the canvas's size as it is now.
EM_BOOL onContextRestored(int, const void*, void*) {
    contextLost = false;
    initScene();
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    onReshape(width, height);
    glutDisplayFunc(displayShadowView);
    glutPostRedisplay();
    if (!tintAtRest) {
        startIdleWork();
    }
    callPage("contextLost", json(false));
    return EM_TRUE;
}

}  // namespace

// GLUT here (app/page_glut.cpp) has no start-up and hears no input: the page hears it all
// itself, where Emscripten's GLUT would listen on the whole window, taking Tab, Enter and
// Space from every control on the page and turning touches into mouse clicks.
void startShell(int&, char**) {}

void attachHandlers() {
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, onContextRestored);
}

// A timer is too slow for the tint: the idle steps run on animation frames.
void startIdleWork() {
    if (!idleStepsRunning && !programEnded && !contextLost) {
        idleStepsRunning = true;
        emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    }
}

// GLUT has no menu here: the page makes its own, and a button for each item.
void showMenu(const std::vector<MenuItem>& items) {
    callPage("showMenu", json(items));
}

void showStencilLegend(const std::vector<LegendEntry>& legend) {
    callPage("showLegend", json(legend));
}

void showPixelHistory(const PixelHistory& history) {
    if (history.stages.empty()) {
        callPage("showHistory");
    } else {
        callPage("showHistory", object({{"x", json(history.x)},
                                        {"y", json(history.y)},
                                        {"samples", json(history.samples)},
                                        {"stages", json(history.stages)}}));
    }
}

// The page keeps its own title: the caption and the step's state go under the picture.
void showCaption(const std::string& caption, const std::string& stepState) {
    callPage("showCaption", object({{"caption", json(caption)}, {"stepState", json(stepState)}}));
}

// The page keeps its own title: a notice goes in the status line under the picture.
void showNotice(const std::string& notice) {
    callPage("showNotice", json(notice));
}

// Only when it has changed: the page replaces its address at most a few times a second.
void showStateText(const std::string& text) {
    if (!stateTextSent || text != sentStateText) {
        callPage("showState", json(text));
        sentStateText = text;
        stateTextSent = true;
    }
}

// The page asks the browser, within the key press or click that asked for it, which makes
// it a visitor's own gesture; leaving by the browser's means comes back as pageLeftFullScreen.
void showFullScreen(bool on) {
    callPage("showFullScreen", json(on));
}

namespace {

std::string cannotSave(const char* what) {
    return std::string("The ") + what +
           " cannot be saved while the browser has taken the picture's graphics away; try "
           "again once the picture is back.";
}

}  // namespace

// WebGL clears the drawing buffer once the browser has shown it: the picture is drawn again
// here, and the page reads it (canvas.toBlob) within this same task.
std::string savePicture(const std::string& name) {
    if (contextLost) {
        return cannotSave("picture");
    }
    displayShadowView();
    callPage("savePicture", json(name));
    return "The picture goes to the browser's downloads as " + name + ".";
}

// The page asks for each frame in turn (pagePathPicture) and says when the file is ready.
std::string saveAnimation(const std::string& name, int frames) {
    if (contextLost) {
        return cannotSave("animation");
    }
    callPage("saveAnimation", object({{"name", json(name)},
                                      {"frames", json(frames)},
                                      {"width", json(programState.windowWidth)},
                                      {"height", json(programState.windowHeight)}}));
    return "";
}

// The program stops its idle steps, and the page stops all input, keeps the last frame and
// says that reloading starts the program again.
void endProgram() {
    programEnded = true;
    callPage("programEnded");
}

// Called by the page, only while the program runs and has its context. Positions arrive
// in the drawing buffer's pixels from the canvas's top left, as GLUT gives them on the
// desktop, and drags outside the canvas too: the page captures the pointer on a press, as
// the desktop's pointer grab does.
extern "C" {
// A character typed (its code, below 128), or 27 for Esc.
EMSCRIPTEN_KEEPALIVE void pageKey(int key) {
    onKey(static_cast<unsigned char>(key), 0, 0);
}
// A character's key let go, as pageKey's code: the compare key ends the comparison.
EMSCRIPTEN_KEEPALIVE void pageKeyUp(int key) {
    onKeyUp(static_cast<unsigned char>(key), 0, 0);
}
// An arrow key or Page Up / Page Down, by GLUT's number for it.
EMSCRIPTEN_KEEPALIVE void pageSpecialKey(int key) {
    onSpecialKey(key, 0, 0);
}
// GLUT's left (0) or middle (1) button; GLUT knows no modifiers here, so the page says
// whether Shift is held.
EMSCRIPTEN_KEEPALIVE void pagePress(int button, int shiftHeld, int x, int y) {
    onPress(button, shiftHeld != 0, x, y);
}
EMSCRIPTEN_KEEPALIVE void pageDrag(int x, int y) {
    onDrag(x, y);
}
// The pointer over the canvas with no button held, or a finger in the page's pixel mode.
EMSCRIPTEN_KEEPALIVE void pagePoint(int x, int y) {
    onPoint(x, y);
}
EMSCRIPTEN_KEEPALIVE void pageMenu(int item) {
    onMenu(item);
}
// The drawing buffer's new size. Resizing it clears it, so a frame follows, as GLUT
// redraws after a reshape on the desktop.
EMSCRIPTEN_KEEPALIVE void pageReshape(int width, int height) {
    onReshape(width, height);
    glutPostRedisplay();
}
// The browser has left full screen (its own Esc, or it refused to enter it).
EMSCRIPTEN_KEEPALIVE void pageLeftFullScreen() {
    onFullScreenLeft();
}
// The address's fragment without "embed", when the program has started and whenever the
// visitor edits it. Returns the parts it could not read, a line "'part': why" each, or "";
// valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* pageApplyState(const char* text) {
    static std::string unread;
    unread.clear();
    stateTextSent = false;
    for (const std::string& part : onStateText(text)) {
        unread += part + "\n";
    }
    return unread.c_str();
}
// Position `index` of the path drawn at rest and read back (app/program.h's pathPicture),
// RGB from the top row, the drawing buffer's size; the picture as it stands is drawn again
// before the browser shows the canvas. Null while the context is lost; valid until the next
// call.
EMSCRIPTEN_KEEPALIVE const unsigned char* pagePathPicture(int index) {
    static std::vector<unsigned char> rgb;
    if (contextLost) {
        return nullptr;
    }
    rgb = pathPicture(index);
    return rgb.data();
}
// For the browser tests, which wait for the tint to rest before they compare frames.
EMSCRIPTEN_KEEPALIVE float pageTintLevel() {
    return programState.tintLevel;
}
}
