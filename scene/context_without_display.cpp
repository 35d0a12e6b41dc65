// Mesa's surfaceless platform needs no window system at all: a context on it draws only into
// framebuffer objects, which is all the snapshot tool draws into. The fixed-function renderer
// needs the compatibility profile, and EGL binds OpenGL ES unless told otherwise.
#include "scene/context_without_display.h"

#if defined(PLANAR_SHADOWS_EGL)
// Before Xlib, whose macros (Always, None, ...) would otherwise rename the scene's own names.
#include "scene/scene.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

namespace {

bool displayAnswers() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return false;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

// Whole names only: one extension's name may begin another's.
bool hasExtension(const char* extensions, const char* name) {
    const size_t length = std::strlen(name);
    for (const char* at = extensions; at != nullptr && *at != '\0';) {
        if (std::strncmp(at, name, length) == 0 && (at[length] == ' ' || at[length] == '\0')) {
            return true;
        }
        at = std::strchr(at, ' ');
        at = at == nullptr ? nullptr : at + 1;
    }
    return false;
}

bool makeSurfacelessContext() {
    if (!hasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS),
                      "EGL_MESA_platform_surfaceless")) {
        return false;
    }
    EGLDisplay display =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        return false;
    }
    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ||
        eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        eglTerminate(display);
        return false;
    }
    // Any surface type: the context never gets a surface.
    const EGLint configWanted[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                   EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    const EGLint contextWanted[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                    EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = EGL_NO_CONTEXT;
    if (eglChooseConfig(display, configWanted, &config, 1, &configs) == EGL_TRUE && configs == 1) {
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextWanted);
    }
    if (context == EGL_NO_CONTEXT ||
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) != EGL_TRUE) {
        eglTerminate(display);
        return false;
    }
    return true;
}

}  // namespace

ContextWithoutDisplay makeContextWithoutDisplay() {
    if (displayAnswers()) {
        return ContextWithoutDisplay::NotNeeded;
    }
    if (!makeSurfacelessContext()) {
        return ContextWithoutDisplay::Failed;
    }
    drawWithoutGlut(eglGetProcAddress);
    return ContextWithoutDisplay::Made;
}

#else

ContextWithoutDisplay makeContextWithoutDisplay() {
    return ContextWithoutDisplay::NotNeeded;
}

#endif
