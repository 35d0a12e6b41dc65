// A GL context for the snapshot tool where no X server answers, so that it runs on a server
// or in a build job as it does on a desktop. Where there is a display, or no EGL (Windows,
// macOS), the tool keeps making its context with a GLUT window.
#pragma once

enum class ContextWithoutDisplay {
    // A display answers, or this platform has no EGL: GLUT makes the context.
    NotNeeded,
    // Current, with no surface; the renderer draws only offscreen and without GLUT.
    Made,
    // No display, and EGL cannot make a context without one either.
    Failed,
};

// With DISPLAY unset or empty, or naming a server that does not answer: a compatibility
// context through EGL on Mesa's surfaceless platform, made current.
ContextWithoutDisplay makeContextWithoutDisplay();
