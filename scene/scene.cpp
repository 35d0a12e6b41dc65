// The fixed-function renderer: OpenGL 1.1, GLU quadrics and freeglut's wire teapot. All
// unchanging geometry is compiled into display lists once; each frame replays them.
#include "scene/scene.h"

#include "platform/opengl.h"
#include "shadow/light_samples.h"
#include "state/pass_steps.h"
#include "state/program_state.h"
#include "state/renderer.h"

// ---- The light and the window --------------------------------------------------------

// The modelview matrix is the identity whenever this runs, so GL takes the position in eye
// coordinates.
void placeLight() {
    const LightPosition& light = programState.lightPosition;
    const GLfloat position[4] = {light.x, light.y, light.z, light.w};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

void setViewport(int width, int height) {
    glViewport(0, 0, width, height);
}

// ---- Display lists -------------------------------------------------------------------

static void emitQuad(const RoomQuad& quad) {
    glNormal3f(quad.normal.x, quad.normal.y, quad.normal.z);
    for (const Point3& corner : quad.corners) {
        glVertex3f(corner.x, corner.y, corner.z);
    }
}

static void compileRoomShell() {
    glNewList(LIST_ROOM_SHELL, GL_COMPILE);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    for (const RoomQuad& quad : ROOM_SHELL_QUADS) {
        emitQuad(quad);
    }
    glEnd();
    glEndList();
}

// A GLU quadric only emits vertices while it draws, and the list keeps them, so each
// quadric can go as soon as its list has what it drew.
static void compileSphere() {
    glNewList(LIST_SPHERE, GL_COMPILE);
    glPushMatrix();
    glTranslatef(SPHERE_CENTRE.x, SPHERE_CENTRE.y, SPHERE_CENTRE.z);
    GLUquadric* sphere = gluNewQuadric();
    gluSphere(sphere, SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS);
    glPopMatrix();
    gluDeleteQuadric(sphere);
    glEndList();
}

// Drawn at the current origin in its own grey, so the caller places it.
static void compileLightMarker() {
    glNewList(LIST_LIGHT_MARKER, GL_COMPILE);
    glColor3f(0.5f, 0.5f, 0.5f);
    GLUquadric* marker = gluNewQuadric();
    gluSphere(marker, LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS);
    gluDeleteQuadric(marker);
    glEndList();
}

static void compileCone() {
    glNewList(LIST_CONE, GL_COMPILE);
    glPushMatrix();
    glTranslatef(CONE_BASE_CENTRE.x, CONE_BASE_CENTRE.y, CONE_BASE_CENTRE.z);
    // GLU builds along +z; turn the axis to +y so the cone stands on its base disk.
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    GLUquadric* base = gluNewQuadric();
    gluDisk(base, 0.0, CONE_RADIUS, ROUND_SLICES, 1);
    gluDeleteQuadric(base);
    GLUquadric* side = gluNewQuadric();
    gluCylinder(side, CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS);
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
    glutWireTeapot(TEAPOT_SIZE);
    glEndList();
}

static void compileReceiver(GLuint list, const RoomQuad& quad) {
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    emitQuad(quad);
    glEnd();
    glEndList();
}

// ---- One-time set-up -----------------------------------------------------------------

void initScene() {
    // The near plane at z = -320 is the room's open front, and its 200 × 200 opening fills
    // the view exactly. A new context's projection is the identity, so no load is needed.
    // The projection never changes again: a reshape only moves the viewport, and the
    // picture stretches with the window.
    glMatrixMode(GL_PROJECTION);
    glFrustum(-100.0, 100.0, -100.0, 100.0, 320.0, 640.0);
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    placeLight();

    compileRoomShell();
    compileSphere();
    compileLightMarker();
    compileCone();
    compileOccluders();
    compileWireTeapot();
    compileReceiver(LIST_FLOOR, FLOOR_QUAD);
    compileReceiver(LIST_LEFT_WALL, LEFT_WALL_QUAD);

    // From here on every glColor3f sets the ambient and diffuse reflectance of both faces.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

// ---- The stencilled shadow pass ------------------------------------------------------

// The wire teapot where the scene shows it, in the current colour.
static void drawTeapotCaster() {
    glPushMatrix();
    glTranslatef(programState.teapotOffsetX + TEAPOT_CENTRE.x, TEAPOT_CENTRE.y, TEAPOT_CENTRE.z);
    glCallList(LIST_WIRE_TEAPOT);
    glPopMatrix();
}

// The casters flattened onto the receiver's plane along the light's rays.
static void drawFlattenedCasters(GLuint occluderList, const ShadowMatrix& shadowMatrix) {
    glPushMatrix();
    glMultMatrixf(shadowMatrix.m);
    drawTeapotCaster();
    // Cone and sphere get the matrix twice. M·M = dot·M, and dot > 0 wherever the light can
    // cast onto the receiver, so they land on the same pixels as under M once.
    glMultMatrixf(shadowMatrix.m);
    glCallList(occluderList);
    glPopMatrix();
}

// Shadows are black, or translucent: black at half strength over what is there, which
// halves it. Each call is paired with endShadowColour.
static void startShadowColour() {
    if (programState.translucentShadows) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    } else {
        glColor3f(0.0f, 0.0f, 0.0f);
    }
}

static void endShadowColour() {
    if (programState.translucentShadows) {
        glDisable(GL_BLEND);
    }
}

// ---- The shadow view, step by step ---------------------------------------------------
// The frame is drawn from the list of steps in state/pass_steps.h: all of it, or in the
// stepping mode only its first steps. Each step sets the GL state it needs, and the frame's
// own state comes back after every step (depth test on with GL_LESS, lighting on, colour
// writes on, blending and stencil test off), so the drawing can stop after any of them.

// One receiver and what its shadows need.
struct ReceiverPass {
    GLuint list;
    GLuint occluderList;
    const ShadowMatrix& shadowMatrix;
    // With the light on or behind the receiver's plane, no caster is flattened onto it.
    bool lightInFront;
};

static ReceiverPass receiverPass(StepReceiver receiver) {
    const ProgramState& s = programState;
    if (receiver == StepReceiver::Floor) {
        return {LIST_FLOOR, LIST_OCCLUDERS, s.floorShadowMatrix,
                lightIsInFront(s.floorPlane, s.lightPosition)};
    }
    return {LIST_LEFT_WALL, LIST_OCCLUDERS, s.leftWallShadowMatrix,
            lightIsInFront(s.leftWallPlane, s.lightPosition)};
}

static void restoreFrameState() {
    glEnable(GL_LIGHTING);
    // The flattened casters switch these off to touch only the stencil; the rest of the
    // frame is depth-tested and seen.
    glEnable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // The receiver's second drawing passes on its own depth; all else must be nearer.
    glDepthFunc(GL_LESS);
    // Only a receiver's pass tests the stencil.
    glDisable(GL_STENCIL_TEST);
}

// The receiver lit, in the current colour, and every pixel where it is visible marked
// with stencil 1.
static void markReceiver(const ReceiverPass& pass) {
    // Whatever the stencil held, a pixel where the receiver passes the depth test gets 1.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glCallList(pass.list);
}

// The casters flattened onto the receiver's plane, into the stencil alone.
static void clearMarks(const ReceiverPass& pass) {
    // The flattened casters lie exactly in the receiver's plane, so the depth test would
    // fight over their pixels: switch it off, and let them touch only the stencil.
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Only marked pixels may take a shadow; a covered mark is cleared to 0.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    if (pass.lightInFront) {
        drawFlattenedCasters(pass.occluderList, pass.shadowMatrix);
    }
}

// The receiver again, unlit, in the shadow's colour, only where it was marked and a caster
// cleared the mark. The receiver covers each of its pixels once, so however many flattened
// polygons cleared a mark, a translucent shadow darkens that pixel once.
static void darkenCleared(const ReceiverPass& pass) {
    // Only where a mark was cleared; the stencil itself stays as it is.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 0, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    // GL_LEQUAL lets the receiver pass on the depth it stored itself when it was marked.
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_LIGHTING);
    startShadowColour();
    glCallList(pass.list);
    endShadowColour();
}

// The naive pass, to show what the stencil prevents: the receiver lit, then the flattened
// casters straight over it, depth-tested like everything else. Lying in the receiver's very
// plane, they fight it for its depth, they reach past its edges, and translucent ones
// darken a pixel again for every polygon that covers it.
static void drawUnconfinedShadows(const ReceiverPass& pass) {
    glDisable(GL_LIGHTING);
    startShadowColour();
    if (pass.lightInFront) {
        drawFlattenedCasters(pass.occluderList, pass.shadowMatrix);
    }
    endShadowColour();
}

static void drawReceiverStep(StepDrawing drawing, const ReceiverPass& pass) {
    switch (drawing) {
        case StepDrawing::MarkReceiver:
            markReceiver(pass);
            break;
        case StepDrawing::ClearMarks:
            clearMarks(pass);
            break;
        case StepDrawing::DarkenCleared:
            darkenCleared(pass);
            break;
        case StepDrawing::LitReceiver:
            glCallList(pass.list);
            break;
        case StepDrawing::UnconfinedShadows:
            drawUnconfinedShadows(pass);
            break;
        case StepDrawing::RestOfRoom:
            break;
    }
    restoreFrameState();
}

// Every receiver goes through the drawings the list gives the floor.
void drawShadowedReceiver(GLuint receiverList, GLuint occluderList,
                          const ShadowMatrix& shadowMatrix, bool lightInFront) {
    const ReceiverPass pass{receiverList, occluderList, shadowMatrix, lightInFront};
    for (const PassStep& step : passSteps(programState.stencilShadows)) {
        if (step.receiver == StepReceiver::Floor) {
            drawReceiverStep(step.drawing, pass);
        }
    }
}

// ---- Soft shadows --------------------------------------------------------------------

bool canDrawSoftShadows() {
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    return bits >= SOFT_STENCIL_BITS;
}

// The soft pass: the receiver drawn lit, then for each of the first `samples` points of the
// light, the casters flattened from that point mark the pixels they cover, and the receiver
// counts each marked pixel of its own once and clears the mark. Last, every pixel covered
// by k of the samples is darkened by k / samples of the full shadow: black over the lit
// colour at that opacity (at half of it when translucent). Pixels no sample's shadow
// covers keep the lit colour exactly; those every sample's covers get exactly the hard
// pass's shadow. Same expectations and leftovers as drawShadowedReceiver, for the
// stencilled pass with the light in front of the receiver; the stencil writemask is all
// ones again at the end.
static void drawSoftShadowedReceiver(GLuint receiverList, GLuint occluderList, PlaneEquation plane,
                                     int samples) {
    const ProgramState& s = programState;
    // 1. The previous receiver's counts are still in the stencil: start from zero.
    glClear(GL_STENCIL_BUFFER_BIT);
    glCallList(receiverList);
    glEnable(GL_STENCIL_TEST);
    // The receiver's later draws pass on the depth it stored itself, as in the hard pass.
    glDepthFunc(GL_LEQUAL);

    for (int sample = 0; sample < samples; ++sample) {
        const LightPosition point = lightSample(plane, s.lightPosition, s.lightRadius, sample);
        if (!lightIsInFront(plane, point)) {
            continue;
        }
        // 2. The flattened casters lie in the receiver's plane: depth test off, and they
        // touch only the mark bit, wherever they fall.
        glDisable(GL_DEPTH_TEST);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilMask(SOFT_SAMPLE_MARK);
        glStencilFunc(GL_ALWAYS, SOFT_SAMPLE_MARK, SOFT_SAMPLE_MARK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        drawFlattenedCasters(occluderList, buildShadowMatrix(plane, point));

        // 3. On the receiver's own visible pixels, a marked 2k + 1 becomes 2k + 2: one more
        // sample counted, and the mark cleared for the next sample.
        glEnable(GL_DEPTH_TEST);
        glStencilMask(~0u);
        glStencilFunc(GL_EQUAL, SOFT_SAMPLE_MARK, SOFT_SAMPLE_MARK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glCallList(receiverList);
    }

    // 4. Darken each count's pixels once, unlit, blended over the lit colour; the stencil
    // now only selects.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float strength = s.translucentShadows ? 0.5f : 1.0f;
    for (int covered = 1; covered <= samples; ++covered) {
        glStencilFunc(GL_EQUAL, 2 * covered, ~0u);
        glColor4f(0.0f, 0.0f, 0.0f, strength * static_cast<float>(covered) / samples);
        glCallList(receiverList);
    }

    // 5. Give the caller back the state it expects.
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LESS);
    glDisable(GL_STENCIL_TEST);
}

// Soft shadows need the stencil to count in; without it the hard pass draws. With the
// light on or behind the plane, every sample is too, and the hard pass draws the same.
static void drawReceiverWithShadows(GLuint receiverList, PlaneEquation plane,
                                    const ShadowMatrix& shadowMatrix) {
    const ProgramState& s = programState;
    const bool lightInFront = lightIsInFront(plane, s.lightPosition);
    if (s.softShadows && s.stencilShadows && s.lightSamples > 1 && lightInFront) {
        drawSoftShadowedReceiver(receiverList, LIST_OCCLUDERS, plane, s.lightSamples);
    } else {
        drawShadowedReceiver(receiverList, LIST_OCCLUDERS, shadowMatrix, lightInFront);
    }
}

// ---- The two views -------------------------------------------------------------------

static void drawLightMarker() {
    const ProgramState& s = programState;
    const LightPosition& light = s.lightPosition;
    glPushMatrix();
    glTranslatef(light.x, light.y, light.z);
    if (s.softShadows) {
        const float scale = lightMarkerRadius() / static_cast<float>(LIGHT_MARKER_RADIUS);
        glScalef(scale, scale, scale);
    }
    // The marker shows where the light is, so it is drawn flat in its own grey.
    glDisable(GL_LIGHTING);
    glCallList(LIST_LIGHT_MARKER);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

static void drawRestOfRoom() {
    const ProgramState& s = programState;
    glCallList(LIST_ROOM_SHELL);
    drawLightMarker();
    // Red reflectance rises from 1 toward 2 with the tint; GL clamps the lit result.
    glColor3f(s.tintLevel + 1.0f, 0.0f, 0.0f);
    drawTeapotCaster();
    glColor3f(1.0f, 0.75f, 0.0f);
    glCallList(LIST_CONE);
    glColor3f(0.45f, 0.5f, s.tintLevel);
    glCallList(LIST_SPHERE);
}

// The receivers go first: each pass needs the stencil and depth of its own quad before
// anything else in the frame can hide it.
static void drawStep(const PassStep& step) {
    if (step.receiver == StepReceiver::Room) {
        drawRestOfRoom();
        return;
    }
    if (step.receiver == StepReceiver::Floor) {
        glColor3f(0.0f, 1.0f, 1.0f);
    } else {
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    drawReceiverStep(step.drawing, receiverPass(step.receiver));
}

// ---- What the stepping mode shows over a frame ----------------------------------------
// Drawn last, over the frame as the steps left it; nothing is drawn after them, and they
// change neither the stencil nor the depth buffer.

// A translucent magenta over every pixel whose stencil value is 1.
static void showMarks() {
    // The stencil test picks the marked pixels; GL_KEEP leaves every value as it is.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    // Whatever lies in front, a mark shows; with the test off no depth is written either.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 0.0f, 1.0f, 0.5f);
    // A square that fills clip space, drawn with neither matrix.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    restoreFrameState();
}

// The receiver's flattened casters over the whole window, with no stencil test, so the
// part the stencil keeps off the picture shows too. Yellow is added to what is there: red
// and green saturate on the first polygon, so the silhouette is even however many
// flattened polygons overlap.
static void showFlattenedCasters(const ReceiverPass& pass) {
    if (!pass.lightInFront) {
        return;
    }
    // The whole shape, also where it lies behind what the frame holds; nor is depth written.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawFlattenedCasters(pass.occluderList, pass.shadowMatrix);
    glDisable(GL_BLEND);
    restoreFrameState();
}

void drawShadowView() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    // Soft shadows draw each receiver with the soft pass in place of the hard pass's
    // steps; the stepping mode shows the hard pass's steps.
    const ProgramState& s = programState;
    if (s.softShadows && !s.steppingPasses) {
        glColor3f(0.0f, 1.0f, 1.0f);
        drawReceiverWithShadows(LIST_FLOOR, s.floorPlane, s.floorShadowMatrix);
        glColor3f(1.0f, 1.0f, 1.0f);
        drawReceiverWithShadows(LIST_LEFT_WALL, s.leftWallPlane, s.leftWallShadowMatrix);
        drawRestOfRoom();
        glLoadIdentity();
        return;
    }
    const PassSteps steps = passSteps(programState.stencilShadows);
    const int drawn = stepsToDraw();
    for (int number = 1; number <= drawn; ++number) {
        drawStep(steps[number]);
    }
    if (programState.steppingPasses) {
        const PassStep& last = steps[drawn];
        if (last.showsMarks) {
            showMarks();
        }
        if (last.showsFlattenedCasters) {
            showFlattenedCasters(receiverPass(last.receiver));
        }
    }

    // Every handler may count on an identity modelview matrix.
    glLoadIdentity();
}

void drawPlainView() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glCallList(LIST_OCCLUDERS);
    drawLightMarker();
    // Drawn again at exactly the same depth, these fail GL_LESS: cone and sphere stay white.
    glColor3f(0.0f, 0.5f, 1.0f);
    glCallList(LIST_CONE);
    glColor3f(1.0f, 0.5f, 0.0f);
    glCallList(LIST_SPHERE);
}

void presentFrame() {
    if (programState.doubleBuffered) {
        glutSwapBuffers();
    } else {
        glFlush();
    }
}
