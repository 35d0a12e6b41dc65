// The WebGL 2 renderer: the same frames as the fixed-function renderer in scene/, drawn with
// one small shader that does per-vertex lighting the way fixed-function GL does it for this
// scene. The shapes are computed in mesh/ exactly as GLU and freeglut tessellate them, put
// in one vertex buffer at set-up, and drawn with the same stencil, depth and colour-mask
// steps, in the same order, as on the desktop.
#include <GLES3/gl3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "mesh/mesh.h"
#include "shadow/light_samples.h"
#include "state/pass_steps.h"
#include "state/program_state.h"
#include "state/renderer.h"

namespace {

// ---- Matrices, column-major as GL keeps them -------------------------------------------

struct Matrix {
    float m[16];
};

constexpr Matrix IDENTITY = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Matrix operator*(const Matrix& a, const Matrix& b) {
    Matrix product{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            for (int k = 0; k < 4; ++k) {
                product.m[4 * column + row] += a.m[4 * k + row] * b.m[4 * column + k];
            }
        }
    }
    return product;
}

Matrix translation(float x, float y, float z) {
    Matrix t = IDENTITY;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

// A turn about the x axis, with sine and cosine rounded to float as glRotatef rounds them.
Matrix rotationAboutX(double degrees) {
    constexpr double PI = 3.14159265358979323846;
    const float s = static_cast<float>(std::sin(degrees * PI / 180.0));
    const float c = static_cast<float>(std::cos(degrees * PI / 180.0));
    Matrix r = IDENTITY;
    r.m[5] = c;
    r.m[6] = s;
    r.m[9] = -s;
    r.m[10] = c;
    return r;
}

Matrix frustum(float left, float right, float bottom, float top, float near, float far) {
    Matrix f{};
    f.m[0] = 2 * near / (right - left);
    f.m[5] = 2 * near / (top - bottom);
    f.m[8] = (right + left) / (right - left);
    f.m[9] = (top + bottom) / (top - bottom);
    f.m[10] = -(far + near) / (far - near);
    f.m[11] = -1;
    f.m[14] = -(2 * far * near) / (far - near);
    return f;
}

Matrix asMatrix(const ShadowMatrix& shadow) {
    Matrix m;
    for (int k = 0; k < 16; ++k) {
        m.m[k] = shadow.m[k];
    }
    return m;
}

// ---- The shader ------------------------------------------------------------------------

// Fixed-function lighting as this scene uses it: global ambient 0.2, light 0 with its
// default colours (no ambient, white diffuse, no attenuation), colour material setting
// ambient and diffuse of both faces, no specular. Computed per vertex and clamped there,
// then interpolated across the face. Normals are used as given, as with GL_NORMALIZE off,
// and turned by the modelview's own 3 × 3: lit shapes are only ever moved and turned, for
// which that equals the inverse transpose GL uses. (Flattened casters are not lit: they
// draw into the stencil alone, or in flat black.)
const char* const VERTEX_SHADER = R"(#version 300 es
in vec3 position;
in vec3 normal;
uniform mat4 modelview;
uniform mat4 modelviewProjection;
uniform vec4 colour;
uniform bool lighting;
uniform vec3 lightPosition;
out vec4 shade;
void main() {
    gl_Position = modelviewProjection * vec4(position, 1.0);
    if (lighting) {
        vec3 eye = (modelview * vec4(position, 1.0)).xyz;
        vec3 turned = mat3(modelview) * normal;
        float diffuse = max(dot(turned, normalize(lightPosition - eye)), 0.0);
        shade = clamp(vec4((0.2 + diffuse) * colour.rgb, colour.a), 0.0, 1.0);
    } else {
        shade = clamp(colour, 0.0, 1.0);
    }
}
)";

const char* const FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
in vec4 shade;
out vec4 pixel;
void main() {
    pixel = shade;
}
)";

// A shader that does not compile says why on the console, instead of leaving a blank page
// without a word.
GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "planar-shadows: a shader does not compile: %s\n", log);
    }
    return shader;
}

// ---- What the renderer keeps ------------------------------------------------------------

// A run drawn with one call: `count` indices of the index buffer from `first` on.
struct Shape {
    GLenum mode;
    GLint first;
    GLsizei count;
};

// The shapes that cast shadows, each as one Shape.
struct Casters {
    Shape teapot, coneBase, coneSide, sphere;
};

struct Renderer {
    GLuint program = 0;
    GLint modelview = -1;
    GLint modelviewProjection = -1;
    GLint colour = -1;
    GLint lighting = -1;
    GLint lightPosition = -1;
    Matrix projection = IDENTITY;
    // GL's current colour and lighting switch, which the fixed-function code relies on.
    float currentColour[4] = {1, 1, 1, 1};
    bool lightingOn = true;
    Shape floor, leftWall, roomShell, lightMarker;
    // The casters' primitives in the order GLU and freeglut draw them, for every draw whose
    // pixels can depend on the order; and as stencilOnlyIndices gives them, for the draws
    // that only set or clear stencil bits, where neither order nor repeats change a pixel.
    Casters casters, stencilCasters;
};

Renderer renderer;

void setColour(float r, float g, float b, float a = 1) {
    const float colour[4] = {r, g, b, a};
    std::copy(colour, colour + 4, renderer.currentColour);
}

void draw(const Shape& shape, const Matrix& modelview) {
    const Matrix modelviewProjection = renderer.projection * modelview;
    glUniformMatrix4fv(renderer.modelview, 1, GL_FALSE, modelview.m);
    glUniformMatrix4fv(renderer.modelviewProjection, 1, GL_FALSE, modelviewProjection.m);
    glUniform4fv(renderer.colour, 1, renderer.currentColour);
    glUniform1i(renderer.lighting, renderer.lightingOn);
    glDrawElements(shape.mode, shape.count, GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(shape.first * sizeof(GLushort)));
}

// Every shape's distinct vertices go into one vertex buffer, and its indices into one index
// buffer; each Shape remembers its run of indices. Drawn through indices, a vertex shared
// by several primitives can be processed once for all of them; in the same order, the
// primitives are the same, and so are the pixels. WebGL 2 has no base vertex for indexed
// draws, so indices count from the start of the vertex buffer.
void uploadShapes() {
    std::vector<MeshVertex> vertices;
    std::vector<GLushort> indices;
    const auto addIndices = [&indices](GLenum mode, size_t base,
                                       const std::vector<std::uint32_t>& list) {
        const Shape shape{mode, static_cast<GLint>(indices.size()),
                          static_cast<GLsizei>(list.size())};
        for (const std::uint32_t index : list) {
            indices.push_back(static_cast<GLushort>(base + index));
        }
        return shape;
    };
    // The mesh's vertices, and its indices in its own order; with `stencilOnly`, also its
    // primitives as the stencil-only draws take them.
    const auto add = [&](const Mesh& mesh, Shape* stencilOnly = nullptr) {
        const IndexedMesh indexed = indexedMesh(mesh);
        const size_t base = vertices.size();
        vertices.insert(vertices.end(), indexed.vertices.begin(), indexed.vertices.end());
        // 16-bit indices, of which WebGL 2 keeps 0xFFFF for restarting a strip.
        if (vertices.size() > 0xFFFF) {
            std::fprintf(stderr, "planar-shadows: vertex %zu is past 16-bit indices\n",
                         vertices.size() - 1);
        }
        const GLenum mode = mesh.primitive == MeshPrimitive::Lines ? GL_LINES : GL_TRIANGLES;
        if (stencilOnly != nullptr) {
            *stencilOnly = addIndices(mode, base, stencilOnlyIndices(indexed));
        }
        return addIndices(mode, base, indexed.indices);
    };
    renderer.floor = add(quadsMesh({FLOOR_QUAD}));
    renderer.leftWall = add(quadsMesh({LEFT_WALL_QUAD}));
    renderer.roomShell =
        add(quadsMesh({ROOM_SHELL_QUADS[0], ROOM_SHELL_QUADS[1], ROOM_SHELL_QUADS[2]}));
    renderer.lightMarker = add(sphereMesh(LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS));
    Casters& casters = renderer.casters;
    Casters& stencil = renderer.stencilCasters;
    casters.sphere = add(sphereMesh(SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS), &stencil.sphere);
    casters.coneBase = add(diskMesh(0.0, CONE_RADIUS, ROUND_SLICES, 1), &stencil.coneBase);
    casters.coneSide = add(cylinderMesh(CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS),
                           &stencil.coneSide);
    casters.teapot = add(wireTeapotMesh(TEAPOT_SIZE), &stencil.teapot);

    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(MeshVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    const GLuint position = static_cast<GLuint>(glGetAttribLocation(renderer.program, "position"));
    const GLuint normal = static_cast<GLuint>(glGetAttribLocation(renderer.program, "normal"));
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(offsetof(MeshVertex, position)));
    glEnableVertexAttribArray(normal);
    glVertexAttribPointer(normal, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(offsetof(MeshVertex, normal)));
    GLuint indexBuffer = 0;
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)), indices.data(),
                 GL_STATIC_DRAW);
}

// ---- The scene's pieces, placed as the desktop's display lists place them --------------

void drawSphere(const Matrix& modelview, const Casters& shapes = renderer.casters) {
    draw(shapes.sphere, modelview * translation(SPHERE_CENTRE.x, SPHERE_CENTRE.y, SPHERE_CENTRE.z));
}

// GLU builds along +z; the turn takes the axis to +y so the cone stands on its base disk.
void drawCone(const Matrix& modelview, const Casters& shapes = renderer.casters) {
    const Matrix placed = modelview *
                          translation(CONE_BASE_CENTRE.x, CONE_BASE_CENTRE.y, CONE_BASE_CENTRE.z) *
                          rotationAboutX(-90);
    draw(shapes.coneBase, placed);
    draw(shapes.coneSide, placed);
}

// The solid casters, in whatever colour is current.
void drawOccluders(const Matrix& modelview, const Casters& shapes = renderer.casters) {
    drawCone(modelview, shapes);
    drawSphere(modelview, shapes);
}

void drawTeapotCaster(const Matrix& modelview, const Casters& shapes = renderer.casters) {
    const float x = programState.teapotOffsetX + TEAPOT_CENTRE.x;
    draw(shapes.teapot, modelview * translation(x, TEAPOT_CENTRE.y, TEAPOT_CENTRE.z));
}

Matrix scaling(float factor) {
    Matrix s = IDENTITY;
    s.m[0] = s.m[5] = s.m[10] = factor;
    return s;
}

// The marker shows where the light is, so it is drawn flat in its own grey; with soft
// shadows on, at the light's own size.
void drawLightMarker() {
    const LightPosition& light = programState.lightPosition;
    renderer.lightingOn = false;
    setColour(0.5f, 0.5f, 0.5f);
    Matrix placed = translation(light.x, light.y, light.z);
    if (programState.softShadows) {
        placed = placed * scaling(lightMarkerRadius() / static_cast<float>(LIGHT_MARKER_RADIUS));
    }
    draw(renderer.lightMarker, placed);
    renderer.lightingOn = true;
}

// ---- The stencilled shadow pass, step for step as on the desktop ------------------------

// The casters flattened onto the receiver's plane along the light's rays. Cone and sphere
// get the matrix twice, as on the desktop: M·M = dot·M, the same pixels as M once.
void drawFlattenedCasters(const ShadowMatrix& shadowMatrix,
                          const Casters& shapes = renderer.casters) {
    const Matrix flatten = asMatrix(shadowMatrix);
    drawTeapotCaster(flatten, shapes);
    drawOccluders(flatten * flatten, shapes);
}

// Shadows are black, or translucent: black at half strength over what is there, which
// halves it. Each call is paired with endShadowColour.
void startShadowColour() {
    if (programState.translucentShadows) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        setColour(0, 0, 0, 0.5f);
    } else {
        setColour(0, 0, 0);
    }
}

void endShadowColour() {
    if (programState.translucentShadows) {
        glDisable(GL_BLEND);
    }
}

// ---- The shadow view, step by step, as on the desktop ----------------------------------
// Each step sets the state it needs, and the frame's own state comes back after every step,
// so the drawing can stop after any of them.

// One receiver and what its shadows need.
struct ReceiverPass {
    const Shape& shape;
    const ShadowMatrix& shadowMatrix;
    // With the light on or behind the receiver's plane, no caster is flattened onto it.
    bool lightInFront;
};

ReceiverPass receiverPass(StepReceiver receiver) {
    const ProgramState& s = programState;
    if (receiver == StepReceiver::Floor) {
        return {renderer.floor, s.floorShadowMatrix, lightIsInFront(s.floorPlane, s.lightPosition)};
    }
    return {renderer.leftWall, s.leftWallShadowMatrix,
            lightIsInFront(s.leftWallPlane, s.lightPosition)};
}

void restoreFrameState() {
    renderer.lightingOn = true;
    // The flattened casters switch these off to touch only the stencil; the rest of the
    // frame is depth-tested and seen.
    glEnable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // The receiver's second drawing passes on its own depth; all else must be nearer.
    glDepthFunc(GL_LESS);
    // Only a receiver's pass tests the stencil.
    glDisable(GL_STENCIL_TEST);
}

// The receiver lit, in the current colour, and every pixel where it is visible marked with
// stencil 1.
void markReceiver(const ReceiverPass& pass) {
    // Whatever the stencil held, a pixel where the receiver passes the depth test gets 1.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    draw(pass.shape, IDENTITY);
}

// The casters flattened onto the receiver's plane, into the stencil alone.
void clearMarks(const ReceiverPass& pass) {
    // The flattened casters lie exactly in the receiver's plane, so the depth test would
    // fight over their pixels: switch it off, and let them touch only the stencil.
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Only marked pixels may take a shadow; a covered mark is cleared to 0.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    // Here a pixel covered again, or in another order, changes nothing.
    if (pass.lightInFront) {
        drawFlattenedCasters(pass.shadowMatrix, renderer.stencilCasters);
    }
}

// The receiver again, unlit, in the shadow's colour, only where it was marked and a caster
// cleared the mark; covering each pixel once, it darkens each shadowed pixel once.
void darkenCleared(const ReceiverPass& pass) {
    // Only where a mark was cleared; the stencil itself stays as it is.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 0, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    // GL_LEQUAL lets the receiver pass on the depth it stored itself when it was marked.
    glDepthFunc(GL_LEQUAL);
    renderer.lightingOn = false;
    startShadowColour();
    draw(pass.shape, IDENTITY);
    endShadowColour();
}

// The naive pass, to show what the stencil prevents: the flattened casters go straight
// over the lit receiver, depth-tested like everything else.
void drawUnconfinedShadows(const ReceiverPass& pass) {
    renderer.lightingOn = false;
    startShadowColour();
    if (pass.lightInFront) {
        drawFlattenedCasters(pass.shadowMatrix);
    }
    endShadowColour();
}

void drawReceiverStep(StepDrawing drawing, const ReceiverPass& pass) {
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
            draw(pass.shape, IDENTITY);
            break;
        case StepDrawing::UnconfinedShadows:
            drawUnconfinedShadows(pass);
            break;
        case StepDrawing::RestOfRoom:
            break;
    }
    restoreFrameState();
}

void drawRestOfRoom() {
    const ProgramState& s = programState;
    setColour(1, 1, 1);
    draw(renderer.roomShell, IDENTITY);
    drawLightMarker();
    // Red reflectance rises from 1 toward 2 with the tint; the lit result is clamped.
    setColour(s.tintLevel + 1.0f, 0, 0);
    drawTeapotCaster(IDENTITY);
    setColour(1, 0.75f, 0);
    drawCone(IDENTITY);
    setColour(0.45f, 0.5f, s.tintLevel);
    drawSphere(IDENTITY);
}

// The receivers go first: each pass needs the stencil and depth of its own quad before
// anything else in the frame can hide it.
void drawStep(const PassStep& step) {
    if (step.receiver == StepReceiver::Room) {
        drawRestOfRoom();
        return;
    }
    if (step.receiver == StepReceiver::Floor) {
        setColour(0, 1, 1);
    } else {
        setColour(1, 1, 1);
    }
    drawReceiverStep(step.drawing, receiverPass(step.receiver));
}

// ---- What the stepping mode shows over a frame, as on the desktop -----------------------
// Drawn last, over the frame as the steps left it; nothing is drawn after them, and they
// change neither the stencil nor the depth buffer.

// The floor's quad, carried straight onto clip space's square by this matrix, with the
// projection set aside, covers the whole canvas; so no shape is added for it. x from -100
// to 100 goes to -1 to 1, depth from -320 to -520 to -1 to 1, all at clip depth 0.
constexpr Matrix FLOOR_TO_CLIP_SQUARE = {
    {0.01f, 0, 0, 0, 0, 0, 0, 0, 0, -0.01f, 0, 0, 0, -4.2f, 0, 1}};

// A translucent magenta over every pixel whose stencil value is 1.
void showMarks() {
    // The stencil test picks the marked pixels; GL_KEEP leaves every value as it is.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    // Whatever lies in front, a mark shows; with the test off no depth is written either.
    glDisable(GL_DEPTH_TEST);
    renderer.lightingOn = false;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setColour(1, 0, 1, 0.5f);
    const Matrix projection = renderer.projection;
    renderer.projection = IDENTITY;
    draw(renderer.floor, FLOOR_TO_CLIP_SQUARE);
    renderer.projection = projection;
    glDisable(GL_BLEND);
    restoreFrameState();
}

// The receiver's flattened casters over the whole canvas, with no stencil test, so the part
// the stencil keeps off the picture shows too. Yellow is added to what is there: red and
// green saturate on the first polygon, so the silhouette is even however many overlap.
void showFlattenedCasters(const ReceiverPass& pass) {
    if (!pass.lightInFront) {
        return;
    }
    // The whole shape, also where it lies behind what the frame holds; nor is depth written.
    glDisable(GL_DEPTH_TEST);
    renderer.lightingOn = false;
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    setColour(1, 1, 0);
    drawFlattenedCasters(pass.shadowMatrix);
    glDisable(GL_BLEND);
    restoreFrameState();
}

// ---- Soft shadows, step for step as on the desktop ---------------------------------------

void drawSoftShadowedReceiver(const Shape& receiver, PlaneEquation plane, int samples) {
    const ProgramState& s = programState;
    // 1. The previous receiver's counts are still in the stencil: start from zero.
    glClear(GL_STENCIL_BUFFER_BIT);
    draw(receiver, IDENTITY);
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
        drawFlattenedCasters(buildShadowMatrix(plane, point), renderer.stencilCasters);

        // 3. On the receiver's own visible pixels, a marked 2k + 1 becomes 2k + 2: one more
        // sample counted, and the mark cleared for the next sample.
        glEnable(GL_DEPTH_TEST);
        glStencilMask(~0u);
        glStencilFunc(GL_EQUAL, SOFT_SAMPLE_MARK, SOFT_SAMPLE_MARK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        draw(receiver, IDENTITY);
    }

    // 4. Darken each count's pixels once, unlit, blended over the lit colour; the stencil
    // now only selects.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    renderer.lightingOn = false;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float strength = s.translucentShadows ? 0.5f : 1.0f;
    for (int covered = 1; covered <= samples; ++covered) {
        glStencilFunc(GL_EQUAL, 2 * covered, ~0u);
        setColour(0, 0, 0, strength * static_cast<float>(covered) / samples);
        draw(receiver, IDENTITY);
    }

    // 5. Give the caller back the state it expects.
    glDisable(GL_BLEND);
    renderer.lightingOn = true;
    glDepthFunc(GL_LESS);
    glDisable(GL_STENCIL_TEST);
}

// Soft shadows need the stencil to count in; without it the hard pass draws. With the
// light on or behind the plane, every sample is too, and the hard pass draws the same.
void drawReceiverWithShadows(StepReceiver which, PlaneEquation plane) {
    const ProgramState& s = programState;
    const ReceiverPass pass = receiverPass(which);
    if (s.stencilShadows && s.lightSamples > 1 && pass.lightInFront) {
        drawSoftShadowedReceiver(pass.shape, plane, s.lightSamples);
        return;
    }
    for (const PassStep& step : passSteps(s.stencilShadows)) {
        if (step.receiver == which) {
            drawReceiverStep(step.drawing, pass);
        }
    }
}

}  // namespace

// ---- What every renderer provides -------------------------------------------------------

// Also after a lost context comes back, when the shader program, the vertex array and the
// buffer of the old one are gone: all of them are made anew, and the GL state set again.
void initScene() {
    renderer.program = glCreateProgram();
    glAttachShader(renderer.program, compile(GL_VERTEX_SHADER, VERTEX_SHADER));
    glAttachShader(renderer.program, compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER));
    glLinkProgram(renderer.program);
    glUseProgram(renderer.program);
    renderer.modelview = glGetUniformLocation(renderer.program, "modelview");
    renderer.modelviewProjection = glGetUniformLocation(renderer.program, "modelviewProjection");
    renderer.colour = glGetUniformLocation(renderer.program, "colour");
    renderer.lighting = glGetUniformLocation(renderer.program, "lighting");
    renderer.lightPosition = glGetUniformLocation(renderer.program, "lightPosition");
    uploadShapes();

    // The near plane at z = -320 is the room's open front; the picture stretches with the
    // canvas, as with the desktop's window.
    renderer.projection = frustum(-100, 100, -100, 100, 320, 640);
    glEnable(GL_DEPTH_TEST);
    placeLight();
}

void placeLight() {
    const LightPosition& light = programState.lightPosition;
    glUniform3f(renderer.lightPosition, light.x, light.y, light.z);
}

void setViewport(int width, int height) {
    glViewport(0, 0, width, height);
}

void drawShadowView() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    // Soft shadows draw each receiver with the soft pass in place of the hard pass's
    // steps; the stepping mode shows the hard pass's steps.
    const ProgramState& s = programState;
    if (s.softShadows && !s.steppingPasses) {
        setColour(0, 1, 1);
        drawReceiverWithShadows(StepReceiver::Floor, s.floorPlane);
        setColour(1, 1, 1);
        drawReceiverWithShadows(StepReceiver::LeftWall, s.leftWallPlane);
        drawRestOfRoom();
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
}

void drawPlainView() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    setColour(1, 1, 1);
    drawOccluders(IDENTITY);
    drawLightMarker();
    // Drawn again at exactly the same depth, these fail GL_LESS: cone and sphere stay white.
    setColour(0, 0.5f, 1);
    drawCone(IDENTITY);
    setColour(1, 0.5f, 0);
    drawSphere(IDENTITY);
}

bool canDrawSoftShadows() {
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    return bits >= SOFT_STENCIL_BITS;
}

// The browser shows the canvas once the callback that drew it returns.
void presentFrame() {}
