// The fixed-function renderer: OpenGL 1.1, GLU quadrics and freeglut's wire teapot. All
// unchanging geometry is compiled into display lists once; each frame replays them.
#include "scene/scene.h"

#include "gl/row_state.h"
#include "mesh/mesh.h"
#include "platform/opengl.h"
#include "scene/offscreen.h"
#include "state/program_state.h"
#include "state/renderer.h"

// ---- The light and the window --------------------------------------------------------

// The modelview matrix is the identity whenever this runs, so GL takes the positions in eye
// coordinates. Each row enables the lights it is lit by (applyRenderState).
void placeLights() {
    const ProgramState& s = programState;
    for (int i = 0; i < s.lightCount; ++i) {
        const LightPosition& light = s.lights[i].shinesFrom;
        const GLfloat position[4] = {light.x, light.y, light.z, light.w};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
    }
}

// Light 1 keeps GL_LIGHT0's defaults, white; the others' own default is no light at all.
// None has ambient or specular light of its own, so each lights with its diffuse colour alone.
static void colourLights() {
    for (int i = 1; i < MAX_LIGHTS; ++i) {
        const Colour& c = LIGHT_DESIGNS[i].colour;
        const GLfloat diffuse[4] = {c.r, c.g, c.b, c.a};
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
    }
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
    glColor3f(WALL_COLOUR.r, WALL_COLOUR.g, WALL_COLOUR.b);
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

// Drawn at the current origin in the row's colour, so the caller places it.
static void compileLightMarker() {
    glNewList(LIST_LIGHT_MARKER, GL_COMPILE);
    GLUquadric* marker = gluNewQuadric();
    gluSphere(marker, LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS);
    gluDeleteQuadric(marker);
    glEndList();
}

// Around a marker of radius 1 at the origin, in the plane facing the eye: the selected
// light's ring, and the sun's rays.
static void compileMarkerSigns() {
    glNewList(LIST_SELECTION_RING, GL_COMPILE);
    GLUquadric* ring = gluNewQuadric();
    gluDisk(ring, SELECTION_RING_INNER, SELECTION_RING_OUTER, ROUND_SLICES, 1);
    gluDeleteQuadric(ring);
    glEndList();
    glNewList(LIST_SUN_RAYS, GL_COMPILE);
    glBegin(GL_LINES);
    for (const Point3& d : SUN_RAY_DIRECTIONS) {
        for (const double along : {SUN_RAY_START, SUN_RAY_END}) {
            const float r = static_cast<float>(along);
            glVertex3f(r * d.x, r * d.y, r * d.z);
        }
    }
    glEnd();
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

static bool teapotFromMesh = false;

void drawWithoutGlut(GlEntryPointLookUp lookUp) {
    teapotFromMesh = true;
    findFramebufferCallsThrough(lookUp);
}

// glutWireTeapot sends its geometry anew on every call; drawn three times a frame, that
// costs more than replaying it from a list. Separate segments rasterise as its line strips
// do, each segment alone, so the mesh's list draws the same pixels.
static void compileWireTeapot() {
    glNewList(LIST_WIRE_TEAPOT, GL_COMPILE);
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
    colourLights();
    placeLights();

    compileRoomShell();
    compileSphere();
    compileLightMarker();
    compileMarkerSigns();
    compileCone();
    compileOccluders();
    compileWireTeapot();
    compileReceiver(LIST_FLOOR, FLOOR_QUAD);
    compileReceiver(LIST_LEFT_WALL, LEFT_WALL_QUAD);

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

// The wire teapot where the scene shows it.
static void drawTeapot() {
    glPushMatrix();
    glTranslatef(programState.teapotOffsetX + TEAPOT_CENTRE.x, TEAPOT_CENTRE.y, TEAPOT_CENTRE.z);
    glCallList(LIST_WIRE_TEAPOT);
    glPopMatrix();
}

// The casters flattened onto the receiver's plane along the light's rays.
static void drawFlattenedCasters(const ShadowMatrix& shadowMatrix) {
    glPushMatrix();
    glMultMatrixf(shadowMatrix.m);
    drawTeapot();
    // Cone and sphere get the matrix twice. M·M = dot·M, and dot > 0 wherever the light can
    // cast onto the receiver, so they land on the same pixels as under M once.
    glMultMatrixf(shadowMatrix.m);
    glCallList(LIST_OCCLUDERS);
    glPopMatrix();
}

// At the light's marker, as large as the light while soft shadows are on; the ring and the
// rays in units of the marker's radius.
static void drawLightMarker(const PassRow& row) {
    const ProgramState& s = programState;
    const Point3 centre = lightMarkerCentre(s.lights[row.light]);
    glPushMatrix();
    glTranslatef(centre.x, centre.y, centre.z);
    if (s.softShadows) {
        const float scale = lightMarkerRadius() / static_cast<float>(LIGHT_MARKER_RADIUS);
        glScalef(scale, scale, scale);
    }
    if (row.draws == Draws::LightMarker) {
        glCallList(LIST_LIGHT_MARKER);
    } else {
        const float radius = static_cast<float>(LIGHT_MARKER_RADIUS);
        glScalef(radius, radius, radius);
        glCallList(row.draws == Draws::SunRays ? LIST_SUN_RAYS : LIST_SELECTION_RING);
    }
    glPopMatrix();
}

// A square that fills clip space, drawn with neither matrix.
static void drawFullWindow() {
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
}

// The display list that sets its own colour (the room's shell) sets the row's colour again.
static void drawShape(const PassRow& row) {
    switch (row.draws) {
        case Draws::Clear:
            glClear(clearBits(row.clear));
            break;
        case Draws::Floor:
            glCallList(LIST_FLOOR);
            break;
        case Draws::LeftWall:
            glCallList(LIST_LEFT_WALL);
            break;
        case Draws::FlattenedCasters:
        case Draws::FlattenedCastersForStencil:
            drawFlattenedCasters(row.flatten);
            break;
        case Draws::RoomShell:
            glCallList(LIST_ROOM_SHELL);
            break;
        case Draws::LightMarker:
        case Draws::SelectionRing:
        case Draws::SunRays:
            drawLightMarker(row);
            break;
        case Draws::Teapot:
            drawTeapot();
            break;
        case Draws::Cone:
            glCallList(LIST_CONE);
            break;
        case Draws::Sphere:
            glCallList(LIST_SPHERE);
            break;
        case Draws::FullWindow:
            drawFullWindow();
            break;
        case Draws::Nothing:
            break;
    }
}

void drawRows(const std::vector<PassRow>& rows) {
    for (const PassRow& row : rows) {
        applyRenderState(row.state);
        glColor4f(row.colour.r, row.colour.g, row.colour.b, row.colour.a);
        drawShape(row);
    }
    // Every handler may count on an identity modelview matrix.
    glLoadIdentity();
}

void presentFrame() {
    if (programState.doubleBuffered) {
        glutSwapBuffers();
    } else {
        glFlush();
    }
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
