// The few GLUT calls the program makes, for the page, in place of Emscripten's GLUT: that one
// brings its whole browser layer (full screen, pointer lock, a main loop, canvas resizing,
// listeners on the whole window that the page replaces anyway), a quarter of the program's
// script. These do what Emscripten's do for this program: a WebGL 2 context on the canvas
// with the display mode's buffers, at most one redraw per animation frame, timers, and the
// time since the page began.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/opengl.h"
#include "state/renderer.h"

namespace {

unsigned displayMode = 0;
void (*displayHandler)() = nullptr;
void (*reshapeHandler)(int, int) = nullptr;
bool redisplayAsked = false;
bool canvasShown = false;

// The page and the browser tests read the context as Module.ctx, where Emscripten's GLUT
// leaves it.
EM_JS(void, keepContextInModule, (EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context),
      { Module["ctx"] = GL.getContext(context).GLctx; });

// The page keeps the canvas hidden until its first frame (web/index.html).
EM_JS(void, showCanvas, (), { Module["canvas"].classList.add("drawn"); });

// The handler of the moment, when the frame comes: a display handler set meanwhile draws it.
// Until the renderer's warm-up is done, the frame is put off to the next animation frame.
EM_BOOL redisplay(double, void*) {
    if (!warmedUp()) {
        emscripten_request_animation_frame(redisplay, nullptr);
        return EM_FALSE;
    }
    redisplayAsked = false;
    displayHandler();
    if (!canvasShown) {
        showCanvas();
        canvasShown = true;
    }
    return EM_FALSE;
}

struct Timer {
    void (*handler)(int);
    int value;
};

void runTimer(void* timer) {
    const Timer due = *static_cast<Timer*>(timer);
    delete static_cast<Timer*>(timer);
    due.handler(due.value);
}

}  // namespace

// The page has sized the canvas from its layout before the program started
// (web/page-canvas.js), so the first frame is drawn at that size, with no second one for a
// resize right after.
void glutInitWindowSize(int, int) {}

void glutInitDisplayMode(unsigned int mode) {
    displayMode = mode;
}

// No antialiasing and no alpha unless asked for, as on the desktop.
int glutCreateWindow(const char*) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = (displayMode & GLUT_ALPHA) != 0;
    attributes.depth = (displayMode & GLUT_DEPTH) != 0;
    attributes.stencil = (displayMode & GLUT_STENCIL) != 0;
    attributes.antialias = (displayMode & GLUT_MULTISAMPLE) != 0;
    attributes.majorVersion = 2;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) {
        return 0;
    }
    emscripten_webgl_make_context_current(context);
    keepContextInModule(context);
    return 1;
}

void glutDisplayFunc(void (*handler)()) {
    displayHandler = handler;
}

void glutReshapeFunc(void (*handler)(int, int)) {
    reshapeHandler = handler;
}

void glutPostRedisplay() {
    if (displayHandler != nullptr && !redisplayAsked) {
        redisplayAsked = true;
        emscripten_request_animation_frame(redisplay, nullptr);
    }
}

void glutTimerFunc(unsigned int milliseconds, void (*handler)(int), int value) {
    emscripten_set_timeout(runTimer, milliseconds, new Timer{handler, value});
}

// Only the time is asked for: milliseconds since the page began.
int glutGet(GLenum) {
    return static_cast<int>(emscripten_get_now());
}

// The first frame at the canvas's size; then the browser's event loop runs the program.
void glutMainLoop() {
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    if (reshapeHandler != nullptr) {
        reshapeHandler(width, height);
    }
    glutPostRedisplay();
    emscripten_unwind_to_js_event_loop();
}
