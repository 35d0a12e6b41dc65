// The fixed-function renderer: OpenGL 1.1, GLU quadrics and freeglut's wire teapot. All
// unchanging geometry is compiled into display lists once; each frame replays them.
#include "scene/scene.h"

#include <cmath>

#include "gl/row_state.h"
#include "mesh/mesh.h"
#include "platform/opengl.h"
#include "scene/offscreen.h"
#include "state/renderer.h"

// ---- The shapes, each in a display list ------------------------------------------------
// Each function emits one shape's geometry while its list is compiled; GLU quadrics only
// emit vertices while they draw, and the list keeps them, so each can go at once.

static void emitQuad(const RoomQuad& quad) {
    glNormal3f(quad.normal.x, quad.normal.y, quad.normal.z);
    for (const Point3& corner : quad.corners) {
        glVertex3f(corner.x, corner.y, corner.z);
    }
}

static void emitFloor() {
    glBegin(GL_QUADS);
    emitQuad(FLOOR_QUAD);
    glEnd();
}

static void emitLeftWall() {
    glBegin(GL_QUADS);
    emitQuad(LEFT_WALL_QUAD);
    glEnd();
}

static void emitBackWall() {
    glBegin(GL_QUADS);
    emitQuad(BACK_WALL_QUAD);
    glEnd();
}

static void emitRightWall() {
    glBegin(GL_QUADS);
    emitQuad(RIGHT_WALL_QUAD);
    glEnd();
}

static void emitCeiling() {
    glBegin(GL_QUADS);
    emitQuad(CEILING_QUAD);
    glEnd();
}

static void emitBoard() {
    glBegin(GL_QUADS);
    emitQuad(UNIT_SQUARE_QUAD);
    glEnd();
}

// It sets the walls' colour itself, the very colour its row gives it.
static void emitRoomShell() {
    glColor3f(WALL_COLOUR.r, WALL_COLOUR.g, WALL_COLOUR.b);
    glBegin(GL_QUADS);
    for (const RoomQuad& quad : ROOM_SHELL_QUADS) {
        emitQuad(quad);
    }
    glEnd();
}

static void emitSphere() {
    glPushMatrix();
    glTranslatef(SPHERE_CENTRE.x, SPHERE_CENTRE.y, SPHERE_CENTRE.z);
    GLUquadric* sphere = gluNewQuadric();
    gluSphere(sphere, SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS);
    glPopMatrix();
    gluDeleteQuadric(sphere);
}

// At the origin, placed by the row.
static void emitLightMarker() {
    GLUquadric* marker = gluNewQuadric();
    gluSphere(marker, LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS);
    gluDeleteQuadric(marker);
}

// Around a marker of radius 1 at the origin, in the plane facing the eye: the selected
// light's ring, and the sun's rays.
static void emitSelectionRing() {
    GLUquadric* ring = gluNewQuadric();
    gluDisk(ring, SELECTION_RING_INNER, SELECTION_RING_OUTER, ROUND_SLICES, 1);
    gluDeleteQuadric(ring);
}

static void emitSunRays() {
    glBegin(GL_LINES);
    for (const Point3& d : SUN_RAY_DIRECTIONS) {
        for (const double along : {SUN_RAY_START, SUN_RAY_END}) {
            const float r = static_cast<float>(along);
            glVertex3f(r * d.x, r * d.y, r * d.z);
        }
    }
    glEnd();
}

static void emitCone() {
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
}

static bool teapotFromMesh = false;

void drawWithoutGlut(GlEntryPointLookUp lookUp) {
    teapotFromMesh = true;
    findFramebufferCallsThrough(lookUp);
}

// glutWireTeapot sends its geometry anew on every call; drawn three times a frame, that
// costs more than replaying it from a list. At the origin, placed by the row. Without GLUT
// the mesh's separate segments rasterise as its line strips do, each segment alone, so the
// list draws the same pixels.
static void emitWireTeapot() {
    if (teapotFromMesh) {
        glBegin(GL_LINES);
        for (const MeshVertex& vertex : wireTeapotMesh(TEAPOT_SIZE).vertices) {
            glNormal3fv(vertex.normal);
            glVertex3fv(vertex.position);
        }
        glEnd();
    } else {
        glutWireTeapot(TEAPOT_SIZE);
    }
}

// Every shape of the scene (state/render_state.h's SCENE_SHAPES) and its display list.
struct ListedShape {
    Draws draws;
    GLuint list;
    void (*emit)();
};
static constexpr ListedShape LISTED_SHAPES[] = {
    {Draws::Floor, LIST_FLOOR, emitFloor},
    {Draws::LeftWall, LIST_LEFT_WALL, emitLeftWall},
    {Draws::BackWall, LIST_BACK_WALL, emitBackWall},
    {Draws::RightWall, LIST_RIGHT_WALL, emitRightWall},
    {Draws::Ceiling, LIST_CEILING, emitCeiling},
    {Draws::Board, LIST_BOARD, emitBoard},
    {Draws::RoomShell, LIST_ROOM_SHELL, emitRoomShell},
    {Draws::LightMarker, LIST_LIGHT_MARKER, emitLightMarker},
    {Draws::SelectionRing, LIST_SELECTION_RING, emitSelectionRing},
    {Draws::SunRays, LIST_SUN_RAYS, emitSunRays},
    {Draws::Teapot, LIST_WIRE_TEAPOT, emitWireTeapot},
    {Draws::Cone, LIST_CONE, emitCone},
    {Draws::Sphere, LIST_SPHERE, emitSphere},
};

static GLuint listOf(Draws draws) {
    for (const ListedShape& shape : LISTED_SHAPES) {
        if (shape.draws == draws) {
            return shape.list;
        }
    }
    return 0;
}

// ---- One-time set-up -----------------------------------------------------------------

void initScene() {
    for (const ListedShape& shape : LISTED_SHAPES) {
        glNewList(shape.list, GL_COMPILE);
        shape.emit();
        glEndList();
    }
    // The solid casters, in whatever colour is current.
    glNewList(LIST_OCCLUDERS, GL_COMPILE);
    glCallList(LIST_CONE);
    glCallList(LIST_SPHERE);
    glEndList();

    // From here on every glColor3f sets the ambient and diffuse reflectance of both faces.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

// ---- A row: its whole state, then its shape ------------------------------------------

// All of it, every time: a row never relies on what the row before it left.
static void applyRenderState(const RenderState& state) {
    applyStencilDepthAndBlend(state);
    setCapability(GL_LIGHTING, state.lighting.on);
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        setCapability(GL_LIGHT0 + i, (state.lighting.lights & (1u << i)) != 0);
    }
    const GLfloat ambient = state.lighting.ambient ? 0.2f : 0.0f;
    const GLfloat ambientLight[4] = {ambient, ambient, ambient, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientLight);
}

// The wire teapot where the frame shows it.
static void placeTeapot(const Frame& frame) {
    glTranslatef(frame.teapotOffset + TEAPOT_CENTRE.x, TEAPOT_CENTRE.y, TEAPOT_CENTRE.z);
}

// The casters flattened onto the receiver's plane along the light's rays.
static void drawFlattenedCasters(const PassRow& row, const Frame& frame) {
    const ShadowMatrix& shadowMatrix = row.flatten;
    glPushMatrix();
    glMultMatrixf(shadowMatrix.m);
    glPushMatrix();
    placeTeapot(frame);
    glCallList(LIST_WIRE_TEAPOT);
    glPopMatrix();
    // Cone and sphere get the matrix twice. M·M = dot·M, and dot > 0 wherever the light can
    // cast onto the receiver, so they land on the same pixels as under M once.
    glMultMatrixf(shadowMatrix.m);
    glCallList(LIST_OCCLUDERS);
    if (row.castsBoard) {
        glMultMatrixf(boardMatrix(frame.board).m);
        glCallList(LIST_BOARD);
    }
    glPopMatrix();
}

// Onto the board, cut at its plane. GL clips against a plane in eye coordinates, which
// under the shadow matrix would be the flattened points, all in the board's very plane, so
// the matrix goes on the projection instead and the modelview places each caster in the
// room, where the plane tells what stands behind the board. But Mesa, as GL implementations
// may, tests the plane in clip coordinates, through the projection's inverse, and a shadow
// matrix has none. So depth gets a trace of the plane's equation: x, y and w stay those of
// the flattened points, so they cover the very same pixels, and the projection can be
// inverted. The trace brings what stands in front of the board a hair nearer the eye than the
// board (these rows test depth only in the naive pass).
static void drawClippedFlattenedCasters(const PassRow& row, const Frame& frame) {
    constexpr double DEPTH_TRACE = 1e-3;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMultMatrixf(row.flatten.m);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const PlaneEquation& p = row.clipPlane;
    const double plane[4] = {p.a, p.b, p.c, p.d};
    double depthRow = 0;
    double planeLength = 0;
    for (int column = 0; column < 4; ++column) {
        depthRow += double(m[4 * column + 2]) * m[4 * column + 2];
        planeLength += plane[column] * plane[column];
    }
    const double trace = DEPTH_TRACE * std::sqrt(depthRow / planeLength);
    for (int column = 0; column < 4; ++column) {
        m[4 * column + 2] = static_cast<GLfloat>(m[4 * column + 2] - trace * plane[column]);
    }
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glClipPlane(GL_CLIP_PLANE0, plane);
    glEnable(GL_CLIP_PLANE0);
    glPushMatrix();
    placeTeapot(frame);
    glCallList(LIST_WIRE_TEAPOT);
    glPopMatrix();
    glCallList(LIST_OCCLUDERS);
    glDisable(GL_CLIP_PLANE0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// At the light's marker, as large as the light while soft shadows are on; the ring and the
// rays in units of the marker's radius.
static void placeAtMarker(const PassRow& row, const Frame& frame, bool around) {
    const Point3 centre = frame.lights[row.light].markerCentre;
    glTranslatef(centre.x, centre.y, centre.z);
    if (frame.markersScaled) {
        const float scale = frame.markerScale;
        glScalef(scale, scale, scale);
    }
    if (around) {
        const float radius = static_cast<float>(LIGHT_MARKER_RADIUS);
        glScalef(radius, radius, radius);
    }
}

// A shape of the scene, placed as the frame stands.
static void drawSceneShape(const PassRow& row, const SceneShape& shape, const Frame& frame) {
    glPushMatrix();
    switch (shape.placement) {
        case Placement::InRoom:
            break;
        case Placement::AtTeapot:
            placeTeapot(frame);
            break;
        case Placement::AtMarker:
        case Placement::AroundMarker:
            placeAtMarker(row, frame, shape.placement == Placement::AroundMarker);
            break;
        case Placement::AtBoard:
            glMultMatrixf(boardMatrix(frame.board).m);
            break;
    }
    glCallList(listOf(row.draws));
    glPopMatrix();
}

// A square that fills clip space, drawn with neither matrix.
static void drawFullWindow() {
    drawWithoutMatrices([] { glRectf(-1.0f, -1.0f, 1.0f, 1.0f); });
}

static void drawShape(const PassRow& row, const Frame& frame) {
    if (const SceneShape* shape = sceneShape(row.draws)) {
        drawSceneShape(row, *shape, frame);
        return;
    }
    switch (row.draws) {
        case Draws::Clear:
            glClear(clearBits(row.clear));
            break;
        case Draws::FlattenedCasters:
        case Draws::FlattenedCastersForStencil:
            if (row.clipped) {
                drawClippedFlattenedCasters(row, frame);
            } else {
                drawFlattenedCasters(row, frame);
            }
            break;
        case Draws::FullWindow:
            drawFullWindow();
            break;
        default:
            break;
    }
}

// The frame's window, projection and lights, then its rows. Each light's position goes
// through the modelview as GL takes it, the identity here, so it stays in eye coordinates;
// each row enables the lights it is lit by (applyRenderState).
void drawFrame(const Frame& frame) {
    glViewport(0, 0, frame.width, frame.height);
    const Frustum& view = frame.projection;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(view.left, view.right, view.bottom, view.top, view.zNear, view.zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int i = 0; i < frame.lightCount; ++i) {
        const LightPosition& at = frame.lights[i].position;
        const Colour& c = frame.lights[i].colour;
        const GLfloat position[4] = {at.x, at.y, at.z, at.w};
        const GLfloat diffuse[4] = {c.r, c.g, c.b, c.a};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
    }
    for (const PassRow& row : frame.rows) {
        applyRenderState(row.state);
        glColor4f(row.colour.r, row.colour.g, row.colour.b, row.colour.a);
        drawShape(row, frame);
    }
    if (frame.batch >= 0) {
        showBatchAverage(frame);
    }
}

void warmUp(const Frame&) {}

bool warmedUp() {
    return true;
}

void presentFrame(const Frame& frame) {
    if (frame.doubleBuffered) {
        glutSwapBuffers();
    } else {
        glFlush();
    }
}

// The window's buffer drawn into: the back one when double-buffered, else the front one.
std::vector<unsigned char> readFrame(const Frame& frame) {
    glReadBuffer(frame.doubleBuffered ? GL_BACK : GL_FRONT);
    return readOffscreenPixels(frame.width, frame.height);
}

// ---- A pixel's history ---------------------------------------------------------------

static OffscreenTarget probe;
static int probeHeight = 0;

bool openPixelProbe(int width, int height) {
    probeHeight = height;
    return openOffscreenTarget(width, height, probe);
}

// Fixed-function GL reads the stencil back directly, one pixel of it.
PixelSample probePixel(int x, int y) {
    unsigned char rgb[3] = {};
    GLubyte stencil = 0;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, probeHeight - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glReadPixels(x, probeHeight - 1 - y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    return {rgb[0], rgb[1], rgb[2], stencil};
}

void closePixelProbe() {
    closeOffscreenTarget(probe);
}
