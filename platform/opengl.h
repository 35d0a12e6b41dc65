// GL, GLU and GLUT from wherever the platform keeps them. Every file that calls them
// includes this header instead of naming the platform's own headers.
#pragma once

#if defined(__APPLE__)
// Apple marks the fixed-function API deprecated, which this program is built on; without
// this, every GL call warns.
#ifndef GL_SILENCE_DEPRECATION
#define GL_SILENCE_DEPRECATION
#endif
#include <GLUT/glut.h>
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#elif defined(_WIN32)
// Windows' gl.h needs WINGDIAPI and APIENTRY from windows.h, so that comes first; the
// two macros keep it from defining min and max and from pulling in what GL never needs.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#else
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
// freeglut's additions to GLUT, where GLUT is freeglut.
#if __has_include(<GL/freeglut_ext.h>)
#include <GL/freeglut_ext.h>
#endif
#endif
