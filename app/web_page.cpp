// The browser's side of the program's input: what the page passes on to the same handlers
// the desktop's GLUT calls. Built only for the web edition; web/index.html is the page.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "app/program.h"
#include "state/program_state.h"

namespace {

// On the desktop the idle handler runs as often as the main loop turns, and the tint rests
// about a tenth of a second after start-up. GLUT's idle here is a 4 ms timer, on which the
// 4001 steps would take 16 s, so the same handler runs this many times per animation frame
// instead: 21 frames, a third of a second.
constexpr int IDLE_STEPS_PER_FRAME = 200;

bool programEnded = false;

EM_BOOL runIdleSteps(double, void*) {
    for (int step = 0; step < IDLE_STEPS_PER_FRAME && !programEnded; ++step) {
        const float before = programState.tintLevel;
        onIdle();
        // A tint at rest no longer changes: this is where the desktop's idle handler
        // unregisters itself, and the animation frames stop here too.
        if (programState.tintLevel == before) {
            return EM_FALSE;
        }
    }
    return programEnded ? EM_FALSE : EM_TRUE;
}

EM_JS(void, clearPageMenu, (), { Module.clearMenu(); });

EM_JS(void, addPageMenuItem, (const char* label, int value),
      { Module.addMenuItem(UTF8ToString(label), value); });

EM_JS(void, showProgramEnded, (), { Module.programEnded(); });

}  // namespace

// Called by the page. Drags arrive in canvas pixels, from the top left, as GLUT gives them
// on the desktop, and outside the canvas too: the page captures the pointer on a press, as
// the desktop's pointer grab does. Presses still reach onMouse through GLUT, which knows
// the modifier keys held with them.
extern "C" {
EMSCRIPTEN_KEEPALIVE void pageDrag(int x, int y) {
    onDrag(x, y);
}
EMSCRIPTEN_KEEPALIVE void pageMenu(int item) {
    onMenu(item);
}
}

void startPageInput() {
    emscripten_request_animation_frame_loop(runIdleSteps, nullptr);
}

void showMenu() {
    clearPageMenu();
    for (const MenuItem& item : menuItems()) {
        addPageMenuItem(item.label, item.value);
    }
}

// A page has no process to end: the program stops its idle steps, and the page stops all
// input, keeps the last frame and says that reloading starts the program again.
void endProgram() {
    programEnded = true;
    showProgramEnded();
}
