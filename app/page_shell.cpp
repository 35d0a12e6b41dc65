// The browser's shell: a web page (web/index.html, web/page.js) that hears every key,
// press, drag and size change itself and passes them on through the entry points at the
// end of this file. GLUT here only keeps the display and reshape handlers and schedules the
// redraws, at most one per animation frame.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/shell.h"
#include "platform/opengl.h"
#include "state/program_state.h"
#include "state/renderer.h"

namespace {

// On the desktop the idle handler runs as often as the main loop turns, and the tint rests
// about a tenth of a second after start-up. GLUT's idle here is a 4 ms timer, on which the
// 4001 steps would take 16 s, so the same steps run this many times per animation frame
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

EM_JS(void, showPageCaption, (const char* text, const char* state),
      { Module.showCaption(UTF8ToString(text), UTF8ToString(state)); });

EM_JS(void, showPageNotice, (const char* text), { Module.showNotice(UTF8ToString(text)); });

EM_JS(void, clearPageMenu, (), { Module.clearMenu(); });

EM_JS(void, addPageMenuItem, (const char* label, int value),
      { Module.addMenuItem(UTF8ToString(label), value); });

EM_JS(void, endPageMenu, (), { Module.endMenu(); });

EM_JS(void, showPageLegend, (const char* legend), { Module.showLegend(UTF8ToString(legend)); });

EM_JS(void, showPageHistory, (const char* history), { Module.showHistory(UTF8ToString(history)); });

EM_JS(void, showPageState, (const char* text), { Module.showState(UTF8ToString(text)); });

EM_JS(void, showProgramEnded, (), { Module.programEnded(); });

EM_JS(void, showContextLost, (int lost), { Module.contextLost(lost); });

// The browser restores a lost context only if the page asks for it by preventing the
// event's default, which returning true does.
EM_BOOL onContextLost(int, const void*, void*) {
    contextLost = true;
    glutDisplayFunc(displayNothing);
    showContextLost(1);
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
    showContextLost(0);
    return EM_TRUE;
}

}  // namespace

// Emscripten's glutInit does nothing here but listen on the whole window, where it would
// take Tab, Enter and Space from every control on the page and turn touches into mouse
// clicks: the page hears all input itself instead.
void startShell(int&, char**) {}

void attachHandlers() {
    emscripten_set_webglcontextlost_callback("#canvas", nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback("#canvas", nullptr, EM_FALSE, onContextRestored);
}

// GLUT's idle here is too slow for the tint: the idle steps run on animation frames.
void startIdleWork() {
    if (!idleStepsRunning && !programEnded && !contextLost) {
        idleStepsRunning = true;
        emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
    }
}

// GLUT has no menu here: the page makes its own, and a button for each item.
void showMenu(const std::vector<MenuItem>& items) {
    clearPageMenu();
    for (const MenuItem& item : items) {
        addPageMenuItem(item.label.c_str(), item.value);
    }
    endPageMenu();
}

void showStencilLegend(const std::string& legend) {
    showPageLegend(legend.c_str());
}

void showPixelHistory(const std::string& history) {
    showPageHistory(history.c_str());
}

// GLUT's title here is the document's: the caption and the step's state go under the
// picture instead.
void showCaption(const std::string& caption, const std::string& stepState) {
    showPageCaption(caption.c_str(), stepState.c_str());
}

// GLUT's title here is the document's: a notice goes in the status line under the picture.
void showNotice(const std::string& notice) {
    showPageNotice(notice.c_str());
}

// Only when it has changed: the page replaces its address at most a few times a second.
void showStateText(const std::string& text) {
    if (!stateTextSent || text != sentStateText) {
        showPageState(text.c_str());
        sentStateText = text;
        stateTextSent = true;
    }
}

// The program stops its idle steps, and the page stops all input, keeps the last frame and
// says that reloading starts the program again.
void endProgram() {
    programEnded = true;
    showProgramEnded();
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
// For the browser tests, which wait for the tint to rest before they compare frames.
EMSCRIPTEN_KEEPALIVE float pageTintLevel() {
    return programState.tintLevel;
}
}
