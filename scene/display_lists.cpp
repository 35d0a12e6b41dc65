#include "scene/display_lists.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include "shadow/receivers.h"

// One quad of the room; the normal points into the room, where the light is meant to be.
static void emitQuad(float nx, float ny, float nz, const Point3 (&corners)[4]) {
    glNormal3f(nx, ny, nz);
    for (const Point3& corner : corners) {
        glVertex3f(corner.x, corner.y, corner.z);
    }
}

static void compileRoomShell() {
    static constexpr Point3 rightWall[4] = {
        {100, -100, -320}, {100, 100, -320}, {100, 100, -520}, {100, -100, -520}};
    static constexpr Point3 ceiling[4] = {
        {-100, 100, -320}, {-100, 100, -520}, {100, 100, -520}, {100, 100, -320}};
    static constexpr Point3 backWall[4] = {
        {-100, -100, -520}, {100, -100, -520}, {100, 100, -520}, {-100, 100, -520}};

    glNewList(LIST_ROOM_SHELL, GL_COMPILE);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    emitQuad(-1, 0, 0, rightWall);
    emitQuad(0, -1, 0, ceiling);
    emitQuad(0, 0, 1, backWall);
    glEnd();
    glEndList();
}

// A GLU quadric only emits vertices while it draws, and the list keeps them, so each
// quadric can go as soon as its list has what it drew.
static void compileSphere() {
    glNewList(LIST_SPHERE, GL_COMPILE);
    glPushMatrix();
    glTranslatef(60.0f, -50.0f, -360.0f);
    GLUquadric* sphere = gluNewQuadric();
    gluSphere(sphere, 20.0, 20, 20);
    glPopMatrix();
    gluDeleteQuadric(sphere);
    glEndList();
}

// Drawn at the current origin in its own grey, so the caller places it.
static void compileLightMarker() {
    glNewList(LIST_LIGHT_MARKER, GL_COMPILE);
    glColor3f(0.5f, 0.5f, 0.5f);
    GLUquadric* marker = gluNewQuadric();
    gluSphere(marker, 5.0, 20, 20);
    gluDeleteQuadric(marker);
    glEndList();
}

static void compileCone() {
    glNewList(LIST_CONE, GL_COMPILE);
    glPushMatrix();
    glTranslatef(-40.0f, -40.0f, -400.0f);
    // GLU builds along +z; turn the axis to +y so the cone stands on its base disk.
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    GLUquadric* base = gluNewQuadric();
    gluDisk(base, 0.0, 20.0, 20, 1);
    gluDeleteQuadric(base);
    GLUquadric* side = gluNewQuadric();
    gluCylinder(side, 20.0, 0.0, 60.0, 20, 20);
    gluDeleteQuadric(side);
    glPopMatrix();
    glEndList();
}

// The solid casters, in whatever colour is current.
static void compileOccluders() {
    glNewList(LIST_OCCLUDERS, GL_COMPILE);
    glCallList(LIST_CONE);
    glCallList(LIST_SPHERE);
    glEndList();
}

// glutWireTeapot sends its geometry anew on every call; drawn three times a frame, that
// costs more than replaying it from a list.
static void compileWireTeapot() {
    glNewList(LIST_WIRE_TEAPOT, GL_COMPILE);
    glutWireTeapot(WIRE_TEAPOT_SIZE);
    glEndList();
}

static void compileReceiver(GLuint list, float nx, float ny, float nz, const Point3 (&corners)[4]) {
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    emitQuad(nx, ny, nz, corners);
    glEnd();
    glEndList();
}

void compileDisplayLists() {
    compileRoomShell();
    compileSphere();
    compileLightMarker();
    compileCone();
    compileOccluders();
    compileWireTeapot();
    compileReceiver(LIST_FLOOR, 0, 1, 0, floorCorners);
    compileReceiver(LIST_LEFT_WALL, 1, 0, 0, leftWallCorners);
}
