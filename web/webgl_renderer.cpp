// The WebGL 2 renderer: the same frames as the fixed-function renderer in scene/, drawn from
// the same rows (state/shadow_pass.h) with one small shader that does per-vertex lighting
// the way fixed-function GL does it for this scene. The shapes are computed in mesh/ exactly
// as GLU and freeglut tessellate them and put in one vertex buffer at set-up.
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "gl/row_state.h"
#include "mesh/mesh.h"
#include "state/renderer.h"
#include "state/shadow_pass.h"
#include "state/stencil_view.h"

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

Matrix frustum(const Frustum& view) {
    const float left = view.left, right = view.right, bottom = view.bottom, top = view.top;
    const float near = view.zNear, far = view.zFar;
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

// Fixed-function lighting as this scene uses it: global ambient 0.2 or none, lights 0 to 3
// as the row enables them, each with only a diffuse colour (light 0 GL's default white)
// and no attenuation, colour material setting ambient and diffuse of both faces, no
// specular. A light whose w is 0 shines from its direction, as GL's does. Computed per
// vertex and clamped there, then interpolated across the face. Normals are used as given,
// as with GL_NORMALIZE off, and turned by the modelview's own 3 × 3: lit shapes are only
// ever moved and turned, for which that equals the inverse transpose GL uses. (Flattened
// casters are not lit: they draw into the stencil alone, or in flat black.) With light 0
// alone, the sum is (0.2 + diffuse) · 1, exactly the one light's value.
// WebGL 2 has no clip planes: the casters flattened onto the board are cut at its plane by
// discarding every fragment of what stands behind it, clipPlane given in the shape's own
// coordinates; (0, 0, 0, 1) keeps everything.
// Built twice: for rows lit by light 0 alone, all of a one-light frame's, without the loop
// over the lights, which costs every lit vertex; and for any lights, summed in the same
// order, so both give the same light to the last bit.
const char* const VERTEX_SHADER_HEAD = "#version 300 es\n";
const char* const VERTEX_SHADER = R"(
in vec3 position;
in vec3 normal;
uniform mat4 modelview;
uniform mat4 modelviewProjection;
uniform vec4 colour;
uniform bool lighting;
uniform float ambient;
uniform int lights;
uniform int lightsUpTo;
uniform vec4 lightPosition[4];
uniform vec3 lightColour[4];
uniform vec4 clipPlane;
out vec4 shade;
out float clipDistance;
vec3 diffuse(int i, vec3 eye, vec3 turned) {
    vec4 from = lightPosition[i];
    vec3 towards = from.w == 0.0 ? from.xyz : from.xyz - eye;
    return max(dot(turned, normalize(towards)), 0.0) * lightColour[i];
}
void main() {
    gl_Position = modelviewProjection * vec4(position, 1.0);
    clipDistance = dot(clipPlane, vec4(position, 1.0));
    if (lighting) {
        vec3 eye = (modelview * vec4(position, 1.0)).xyz;
        vec3 turned = mat3(modelview) * normal;
        vec3 light = vec3(ambient);
#ifdef FIRST_LIGHT_ALONE
        light += diffuse(0, eye, turned);
#else
        for (int i = 0; i < lightsUpTo; ++i) {
            if ((lights & (1 << i)) != 0) {
                light += diffuse(i, eye, turned);
            }
        }
#endif
        shade = clamp(vec4(light * colour.rgb, colour.a), 0.0, 1.0);
    } else {
        shade = clamp(colour, 0.0, 1.0);
    }
}
)";

const char* const FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
in vec4 shade;
in float clipDistance;
out vec4 pixel;
void main() {
    if (clipDistance < 0.0) {
        discard;
    }
    pixel = shade;
}
)";

// Soft shadows' average of batches: a triangle past the viewport's corners, each pixel its
// own texel of a picture, with the alpha the blending weighs it by. texelFetch reads a
// floating-point texture, which WebGL 2 cannot filter, as it is.
const char* const PICTURE_VERTEX_SHADER = R"(#version 300 es
void main() {
    gl_Position = vec4(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0,
                       0.0, 1.0);
}
)";

const char* const PICTURE_FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
uniform highp sampler2D picture;
uniform float share;
out vec4 pixel;
void main() {
    pixel = vec4(texelFetch(picture, ivec2(gl_FragCoord.xy), 0).rgb, share);
}
)";

// The shaders compiled at set-up, whose compile status is not asked for yet.
std::vector<GLuint> uncheckedShaders;

GLuint compile(GLenum type, std::initializer_list<const char*> source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, static_cast<GLsizei>(source.size()), source.begin(), nullptr);
    glCompileShader(shader);
    uncheckedShaders.push_back(shader);
    return shader;
}

// A shader that does not compile says why on the console, instead of leaving a blank page
// without a word. Asking waits for the GPU process to answer, so it is asked in a task of
// its own after the set-up's, once the warm-up's drawing is done: neither the page's start
// nor its first frame waits on it. A context lost meanwhile took the shaders with it, and the
// restored one's set-up asks again.
void reportShaderErrors(void*) {
    if (!warmedUp()) {
        emscripten_set_timeout(reportShaderErrors, 16, nullptr);
        return;
    }
    if (!emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context())) {
        for (const GLuint shader : uncheckedShaders) {
            GLint compiled = GL_FALSE;
            glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
            if (!compiled) {
                char log[1024] = "";
                glGetShaderInfoLog(shader, sizeof log, nullptr, log);
                std::fputs(("planar-shadows: a shader does not compile: " + std::string(log) + "\n")
                               .c_str(),
                           stderr);
            }
        }
    }
    uncheckedShaders.clear();
}

// ---- The shapes ------------------------------------------------------------------------

// A run drawn with one call: `count` indices of the index buffer from `first` on.
struct Shape {
    GLenum mode;
    GLint first;
    GLsizei count;
};

// The sun's rays around a marker of radius 1, as the desktop's list draws them.
Mesh sunRaysMesh() {
    Mesh rays{MeshPrimitive::Lines, {}};
    for (const Point3& d : SUN_RAY_DIRECTIONS) {
        for (const double along : {SUN_RAY_START, SUN_RAY_END}) {
            const float r = static_cast<float>(along);
            rays.vertices.push_back({{r * d.x, r * d.y, r * d.z}, {0, 0, 1}});
        }
    }
    return rays;
}

Matrix asPlaced(const Matrix& placed) {
    return placed;
}

Matrix sphereInRoom(const Matrix& placed) {
    return placed * translation(SPHERE_CENTRE.x, SPHERE_CENTRE.y, SPHERE_CENTRE.z);
}

// GLU builds along +z; the turn takes the axis to +y so the cone stands on its base disk.
Matrix coneInRoom(const Matrix& placed) {
    return placed * translation(CONE_BASE_CENTRE.x, CONE_BASE_CENTRE.y, CONE_BASE_CENTRE.z) *
           rotationAboutX(-90);
}

// Every shape of the scene (state/render_state.h's SCENE_SHAPES): the meshes it is drawn
// from, in order, as the desktop's display list draws them, and where they stand once the
// row has placed the shape. The casters also cast: their flattened copies draw the same
// meshes.
struct MeshedShape {
    Draws draws;
    std::vector<Mesh> (*meshes)();
    Matrix (*inRoom)(const Matrix& placed);
    bool casts;
};
const MeshedShape MESHED_SHAPES[] = {
    {Draws::Floor, [] { return std::vector<Mesh>{quadsMesh({FLOOR_QUAD})}; }, asPlaced, false},
    {Draws::LeftWall, [] { return std::vector<Mesh>{quadsMesh({LEFT_WALL_QUAD})}; }, asPlaced,
     false},
    {Draws::BackWall, [] { return std::vector<Mesh>{quadsMesh({BACK_WALL_QUAD})}; }, asPlaced,
     false},
    {Draws::RightWall, [] { return std::vector<Mesh>{quadsMesh({RIGHT_WALL_QUAD})}; }, asPlaced,
     false},
    {Draws::Ceiling, [] { return std::vector<Mesh>{quadsMesh({CEILING_QUAD})}; }, asPlaced, false},
    {Draws::Board, [] { return std::vector<Mesh>{quadsMesh({UNIT_SQUARE_QUAD})}; }, asPlaced, true},
    {Draws::RoomShell,
     [] {
         return std::vector<Mesh>{
             quadsMesh({ROOM_SHELL_QUADS[0], ROOM_SHELL_QUADS[1], ROOM_SHELL_QUADS[2]})};
     },
     asPlaced, false},
    {Draws::LightMarker,
     [] { return std::vector<Mesh>{sphereMesh(LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS)}; },
     asPlaced, false},
    {Draws::SelectionRing,
     [] {
         return std::vector<Mesh>{
             diskMesh(SELECTION_RING_INNER, SELECTION_RING_OUTER, ROUND_SLICES, 1)};
     },
     asPlaced, false},
    {Draws::SunRays, [] { return std::vector<Mesh>{sunRaysMesh()}; }, asPlaced, false},
    {Draws::Sphere,
     [] { return std::vector<Mesh>{sphereMesh(SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS)}; },
     sphereInRoom, true},
    {Draws::Cone,
     [] {
         return std::vector<Mesh>{
             diskMesh(0.0, CONE_RADIUS, ROUND_SLICES, 1),
             cylinderMesh(CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS)};
     },
     coneInRoom, true},
    {Draws::Teapot, [] { return std::vector<Mesh>{wireTeapotMesh(TEAPOT_SIZE)}; }, asPlaced, true},
};
constexpr size_t SHAPE_COUNT = std::size(MESHED_SHAPES);

size_t shapeIndex(Draws draws) {
    size_t k = 0;
    while (k + 1 < SHAPE_COUNT && MESHED_SHAPES[k].draws != draws) {
        ++k;
    }
    return k;
}

// ---- What the renderer keeps ------------------------------------------------------------

// The frame's lights as the shader takes them: where each shines from, and its colour.
struct FrameLights {
    GLfloat positions[4 * MAX_LIGHTS];
    GLfloat colours[3 * MAX_LIGHTS];
};

bool same(const FrameLights& a, const FrameLights& b) {
    return std::equal(std::begin(a.positions), std::end(a.positions), std::begin(b.positions)) &&
           std::equal(std::begin(a.colours), std::end(a.colours), std::begin(b.colours));
}

// Where the vertex array feeds both programs.
constexpr GLuint POSITION = 0;
constexpr GLuint NORMAL = 1;

// One linked program, where its uniforms are, and what they hold. Every row still comes with
// its whole state, but a call that would set what is set already is left out: each GL call
// goes from WebAssembly through JavaScript into WebGL's own checks, and most rows change
// only a part of the state. A new program's uniforms are all 0, as the matrices here are.
struct Program {
    GLuint id = 0;
    GLint modelview = -1;
    GLint modelviewProjection = -1;
    GLint colour = -1;
    GLint lighting = -1;
    GLint ambient = -1;
    GLint lights = -1;
    GLint lightsUpTo = -1;
    GLint lightPosition = -1;
    GLint lightColour = -1;
    GLint clipPlane = -1;
    bool known = false;
    GLint heldLighting = 0;
    GLint heldLights = 0;
    GLint heldLightsUpTo = 0;
    GLfloat heldAmbient = 0;
    Colour heldColour = {};
    Matrix heldModelview = {};
    Matrix heldModelviewProjection = {};
    bool lightsKnown = false;
    FrameLights heldFrameLights = {};
};

struct Renderer {
    Program firstLightAlone, anyLights;
    Program* program = &firstLightAlone;
    // The part of the last row's state that gl/row_state.cpp applies, which GL holds; none
    // before the first row in a new context.
    bool stateKnown = false;
    RenderState heldState = {};
    Matrix projection = IDENTITY;
    // Each shape's runs, one a mesh, in MESHED_SHAPES' order: its primitives in the order
    // GLU and freeglut draw them, for every draw whose pixels can depend on the order; and
    // for the casters also as stencilOnlyIndices gives them, for the draws that only set or
    // clear stencil bits, where neither order nor repeats change a pixel.
    std::vector<Shape> runs[SHAPE_COUNT];
    std::vector<Shape> stencilRuns[SHAPE_COUNT];
    // Soft shadows' average of batches: the program that draws a picture, the frame as
    // drawn, the sum in floating point and its framebuffer, their size, and the batch added
    // last (-1 for none).
    GLuint pictureProgram = 0;
    GLint pictureShare = -1;
    GLuint frameTexture = 0;
    GLuint sumTexture = 0;
    GLuint sumFramebuffer = 0;
    int averageWidth = 0;
    int averageHeight = 0;
    int added = -1;
    // RGBA32F where the browser blends it (EXT_float_blend), else RGBA16F; 0 for neither.
    GLenum sumFormat = 0;
    // The fence after the warm-up's frame, until it has come; and when the first frame stops
    // waiting for a fence that does not come.
    GLsync warmUpFence = nullptr;
    double warmUpGivenUpAt = 0;
};

Renderer renderer;

bool same(const Matrix& a, const Matrix& b) {
    return std::equal(std::begin(a.m), std::end(a.m), std::begin(b.m));
}

bool same(const Colour& a, const Colour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// In the row's colour and lighting, which its state has set.
// In the row's colour and lighting, which its state has set.
void draw(const Shape& shape, const Matrix& modelview) {
    Program& p = *renderer.program;
    const Matrix modelviewProjection = renderer.projection * modelview;
    if (!same(modelview, p.heldModelview)) {
        glUniformMatrix4fv(p.modelview, 1, GL_FALSE, modelview.m);
        p.heldModelview = modelview;
    }
    if (!same(modelviewProjection, p.heldModelviewProjection)) {
        glUniformMatrix4fv(p.modelviewProjection, 1, GL_FALSE, modelviewProjection.m);
        p.heldModelviewProjection = modelviewProjection;
    }
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
            std::fputs(("planar-shadows: vertex " + std::to_string(vertices.size() - 1) +
                        " is past 16-bit indices\n")
                           .c_str(),
                       stderr);
        }
        const GLenum mode = mesh.primitive == MeshPrimitive::Lines ? GL_LINES : GL_TRIANGLES;
        if (stencilOnly != nullptr) {
            *stencilOnly = addIndices(mode, base, stencilOnlyIndices(indexed));
        }
        return addIndices(mode, base, indexed.indices);
    };
    // After a lost context, every run anew.
    for (size_t k = 0; k < SHAPE_COUNT; ++k) {
        renderer.runs[k].clear();
        renderer.stencilRuns[k].clear();
        const bool casts = MESHED_SHAPES[k].casts;
        for (const Mesh& mesh : MESHED_SHAPES[k].meshes()) {
            Shape stencilOnly{};
            renderer.runs[k].push_back(add(mesh, casts ? &stencilOnly : nullptr));
            if (casts) {
                renderer.stencilRuns[k].push_back(stencilOnly);
            }
        }
    }

    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(MeshVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(POSITION);
    glVertexAttribPointer(POSITION, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(offsetof(MeshVertex, position)));
    glEnableVertexAttribArray(NORMAL);
    glVertexAttribPointer(NORMAL, 3, GL_FLOAT, GL_FALSE, sizeof(MeshVertex),
                          reinterpret_cast<const void*>(offsetof(MeshVertex, normal)));
    GLuint indexBuffer = 0;
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)), indices.data(),
                 GL_STATIC_DRAW);
}

// ---- The scene's shapes, placed as the desktop's display lists place them --------------

// Shape `draws` placed by `placed`: its runs for any draw, or those for stencil-only draws.
void drawPlaced(Draws draws, const Matrix& placed, bool forStencil = false) {
    const size_t k = shapeIndex(draws);
    const Matrix inRoom = MESHED_SHAPES[k].inRoom(placed);
    for (const Shape& run : forStencil ? renderer.stencilRuns[k] : renderer.runs[k]) {
        draw(run, inRoom);
    }
}

Matrix scaling(float factor) {
    Matrix s = IDENTITY;
    s.m[0] = s.m[5] = s.m[10] = factor;
    return s;
}

Matrix teapotPlaced(const Matrix& modelview, const Frame& frame) {
    return modelview *
           translation(frame.teapotOffset + TEAPOT_CENTRE.x, TEAPOT_CENTRE.y, TEAPOT_CENTRE.z);
}

// At the light's marker, as large as the light while soft shadows are on; the ring and the
// rays in units of the marker's radius.
Matrix markerPlaced(const PassRow& row, const Frame& frame, bool around) {
    const Point3 centre = frame.lights[row.light].markerCentre;
    Matrix placed = translation(centre.x, centre.y, centre.z);
    if (frame.markersScaled) {
        placed = placed * scaling(frame.markerScale);
    }
    return around ? placed * scaling(static_cast<float>(LIGHT_MARKER_RADIUS)) : placed;
}

Matrix boardPlaced(const Frame& frame) {
    Matrix placed;
    const BoardMatrix board = boardMatrix(frame.board);
    std::copy(std::begin(board.m), std::end(board.m), placed.m);
    return placed;
}

// Keeps everything.
constexpr GLfloat NO_CLIP_PLANE[4] = {0, 0, 0, 1};

// The room's `plane` in the coordinates of a shape that `inRoom` places in the room: a point
// p of the shape stands at inRoom · p, so the plane there is its row times inRoom.
void clipShapeAt(const PlaneEquation& plane, const Matrix& inRoom) {
    const float p[4] = {plane.a, plane.b, plane.c, plane.d};
    GLfloat local[4] = {};
    for (int column = 0; column < 4; ++column) {
        for (int k = 0; k < 4; ++k) {
            local[column] += p[k] * inRoom.m[4 * column + k];
        }
    }
    glUniform4fv(renderer.program->clipPlane, 1, local);
}

// A shape of the scene, placed as the frame stands.
void drawSceneShape(const PassRow& row, const SceneShape& shape, const Frame& frame) {
    switch (shape.placement) {
        case Placement::InRoom:
            drawPlaced(row.draws, IDENTITY);
            break;
        case Placement::AtTeapot:
            drawPlaced(row.draws, teapotPlaced(IDENTITY, frame));
            break;
        case Placement::AtMarker:
        case Placement::AroundMarker:
            drawPlaced(row.draws,
                       markerPlaced(row, frame, shape.placement == Placement::AroundMarker));
            break;
        case Placement::AtBoard:
            drawPlaced(row.draws, boardPlaced(frame));
            break;
    }
}

// The casters flattened onto the receiver's plane along the light's rays, the board last
// where the row casts it; onto the board, each cut where it stands behind the board's plane.
// Cone, sphere and board get the matrix twice, as on the desktop: M·M = dot·M, the same
// pixels as M once.
void drawFlattenedCasters(const PassRow& row, const Frame& frame, bool forStencil) {
    const Matrix flatten = asMatrix(row.flatten);
    const Matrix twice = flatten * flatten;
    const auto cast = [&](Draws draws, const Matrix& flattening, const Matrix& inRoom) {
        if (row.clipped) {
            clipShapeAt(row.clipPlane, MESHED_SHAPES[shapeIndex(draws)].inRoom(inRoom));
        }
        drawPlaced(draws, flattening * inRoom, forStencil);
    };
    cast(Draws::Teapot, flatten, teapotPlaced(IDENTITY, frame));
    cast(Draws::Cone, twice, IDENTITY);
    cast(Draws::Sphere, twice, IDENTITY);
    if (row.castsBoard) {
        cast(Draws::Board, twice, boardPlaced(frame));
    }
    if (row.clipped) {
        glUniform4fv(renderer.program->clipPlane, 1, NO_CLIP_PLANE);
    }
}

// The floor's quad, carried straight onto clip space's square by this matrix, with the
// projection set aside, covers the whole canvas; so no shape is added for it. x from -100
// to 100 goes to -1 to 1, depth from -320 to -520 to -1 to 1, all at clip depth 0.
constexpr Matrix FLOOR_TO_CLIP_SQUARE = {
    {0.01f, 0, 0, 0, 0, 0, 0, 0, 0, -0.01f, 0, 0, 0, -4.2f, 0, 1}};

void drawFullWindow() {
    const Matrix projection = renderer.projection;
    renderer.projection = IDENTITY;
    drawPlaced(Draws::Floor, FLOOR_TO_CLIP_SQUARE);
    renderer.projection = projection;
}

// ---- A row: its whole state, then its shape ---------------------------------------------

// All of it, every time: a row never relies on what the row before it left, only the calls
// that would change nothing are left out. Lighting and the colour are the shader's uniforms
// here, where fixed-function GL has them as state.
void applyRowState(const PassRow& row) {
    const RenderState& state = row.state;
    applyStencilDepthAndBlend(state, renderer.stateKnown ? &renderer.heldState : nullptr);
    renderer.heldState = state;
    renderer.stateKnown = true;

    const GLint lights = static_cast<GLint>(state.lighting.lights);
    Program& p =
        state.lighting.lights == FIRST_LIGHT ? renderer.firstLightAlone : renderer.anyLights;
    if (&p != renderer.program) {
        glUseProgram(p.id);
        renderer.program = &p;
    }
    const bool known = p.known;
    p.known = true;
    const GLint lighting = state.lighting.on ? 1 : 0;
    if (!known || lighting != p.heldLighting) {
        glUniform1i(p.lighting, lighting);
        p.heldLighting = lighting;
    }
    // The first light alone has no uniforms for which lights.
    if (p.lights >= 0 && (!known || lights != p.heldLights)) {
        GLint upTo = 0;
        while (upTo < MAX_LIGHTS && (lights >> upTo) != 0) {
            ++upTo;
        }
        glUniform1i(p.lights, lights);
        glUniform1i(p.lightsUpTo, upTo);
        p.heldLights = lights;
    }
    const GLfloat ambient = state.lighting.ambient ? 0.2f : 0.0f;
    if (!known || ambient != p.heldAmbient) {
        glUniform1f(p.ambient, ambient);
        p.heldAmbient = ambient;
    }
    if (!known || !same(row.colour, p.heldColour)) {
        glUniform4f(p.colour, row.colour.r, row.colour.g, row.colour.b, row.colour.a);
        p.heldColour = row.colour;
    }
}

void drawShape(const PassRow& row, const Frame& frame) {
    if (const SceneShape* shape = sceneShape(row.draws)) {
        drawSceneShape(row, *shape, frame);
        return;
    }
    switch (row.draws) {
        case Draws::Clear:
            glClear(clearBits(row.clear));
            break;
        case Draws::FlattenedCasters:
            drawFlattenedCasters(row, frame, false);
            break;
        // Here a pixel covered again, or in another order, changes nothing.
        case Draws::FlattenedCastersForStencil:
            drawFlattenedCasters(row, frame, true);
            break;
        case Draws::FullWindow:
            drawFullWindow();
            break;
        default:
            break;
    }
}

// The rows in order, each with its whole state, with the frame's things.
void drawRows(const std::vector<PassRow>& rows, const Frame& frame) {
    for (const PassRow& row : rows) {
        applyRowState(row);
        drawShape(row, frame);
    }
}

// The shader built with `defines`, and its uniforms found.
Program makeProgram(const char* defines) {
    Program p;
    p.id = glCreateProgram();
    glAttachShader(p.id, compile(GL_VERTEX_SHADER, {VERTEX_SHADER_HEAD, defines, VERTEX_SHADER}));
    glAttachShader(p.id, compile(GL_FRAGMENT_SHADER, {FRAGMENT_SHADER}));
    glBindAttribLocation(p.id, POSITION, "position");
    glBindAttribLocation(p.id, NORMAL, "normal");
    glLinkProgram(p.id);
    glUseProgram(p.id);
    p.modelview = glGetUniformLocation(p.id, "modelview");
    p.modelviewProjection = glGetUniformLocation(p.id, "modelviewProjection");
    p.colour = glGetUniformLocation(p.id, "colour");
    p.lighting = glGetUniformLocation(p.id, "lighting");
    p.ambient = glGetUniformLocation(p.id, "ambient");
    p.lights = glGetUniformLocation(p.id, "lights");
    p.lightsUpTo = glGetUniformLocation(p.id, "lightsUpTo");
    p.lightPosition = glGetUniformLocation(p.id, "lightPosition");
    p.lightColour = glGetUniformLocation(p.id, "lightColour");
    p.clipPlane = glGetUniformLocation(p.id, "clipPlane");
    glUniform4fv(p.clipPlane, 1, NO_CLIP_PLANE);
    return p;
}

// ---- Soft shadows' average of batches ------------------------------------------------
// A frame's 8 bits round once per frame, and a picture at rest is 29 batches: so each
// batch's frame, as drawn, is copied into a texture and blended, weighted, into a sum in
// floating point (EXT_color_buffer_float), which is drawn back over the frame, rounded once.

// Rendering into floating point is an extension in WebGL 2, and blending into 32 bits of it
// another; 16 bits blend with the first alone, within a tenth of a display code a batch.
// 0 where the browser has neither.
GLenum floatSumFormat() {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (!emscripten_webgl_enable_extension(context, "EXT_color_buffer_float")) {
        return 0;
    }
    return emscripten_webgl_enable_extension(context, "EXT_float_blend") ? GL_RGBA32F : GL_RGBA16F;
}

GLuint newTexture(GLenum format, int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexStorage2D(GL_TEXTURE_2D, 1, format, width, height);
    return texture;
}

void deleteAverage() {
    glDeleteTextures(1, &renderer.frameTexture);
    glDeleteTextures(1, &renderer.sumTexture);
    glDeleteFramebuffers(1, &renderer.sumFramebuffer);
    renderer.frameTexture = renderer.sumTexture = renderer.sumFramebuffer = 0;
    renderer.averageWidth = renderer.averageHeight = 0;
    renderer.added = -1;
}

// The textures at the frame's size; false where the browser cannot draw into the sum.
// Leaves the sum's framebuffer bound.
bool prepareAverage(int width, int height) {
    if (renderer.sumFramebuffer != 0 && renderer.averageWidth == width &&
        renderer.averageHeight == height) {
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.sumFramebuffer);
        return true;
    }
    deleteAverage();
    if (renderer.sumFormat == 0) {
        return false;
    }
    // RGB as the canvas has it: it has no alpha, and a copy keeps only what it has.
    renderer.frameTexture = newTexture(GL_RGB8, width, height);
    renderer.sumTexture = newTexture(renderer.sumFormat, width, height);
    renderer.averageWidth = width;
    renderer.averageHeight = height;
    glGenFramebuffers(1, &renderer.sumFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sumFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, renderer.sumTexture,
                           0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        deleteAverage();
        return false;
    }
    return true;
}

void drawPicture(GLuint texture, float share) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1f(renderer.pictureShare, share);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void showBatchAverage(const Frame& frame) {
    GLint drawn = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawn);
    const GLuint canvas = static_cast<GLuint>(drawn);
    if (!prepareAverage(frame.width, frame.height)) {
        // The frame stays as drawn, one batch's picture.
        glBindFramebuffer(GL_FRAMEBUFFER, canvas);
        return;
    }
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(renderer.pictureProgram);
    if (frame.batch == 0 || frame.batch != renderer.added) {
        glBindFramebuffer(GL_FRAMEBUFFER, canvas);
        glBindTexture(GL_TEXTURE_2D, renderer.frameTexture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, frame.width, frame.height);
        // The sum so far keeps 1 - share of itself, and the frame adds share of its own;
        // the first batch replaces whatever the texture held.
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.sumFramebuffer);
        if (frame.batch == 0) {
            glDisable(GL_BLEND);
        } else {
            glEnable(GL_BLEND);
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        drawPicture(renderer.frameTexture, frame.batchShare);
        renderer.added = frame.batch;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, canvas);
    glDisable(GL_BLEND);
    drawPicture(renderer.sumTexture, 1);
    // Back to the rows' program; the state changed here is no longer what the rows left.
    glUseProgram(renderer.program->id);
    renderer.stateKnown = false;
}

}  // namespace

// ---- What every renderer provides -------------------------------------------------------

// Also after a lost context comes back, when the shader program, the vertex array and the
// buffer of the old one are gone: all of them are made anew, and the GL state set again.
void initScene() {
    // After a lost context, the old average's and fence's names mean nothing, and the
    // extensions are the new context's to enable.
    renderer.frameTexture = renderer.sumTexture = renderer.sumFramebuffer = 0;
    renderer.averageWidth = renderer.averageHeight = 0;
    renderer.added = -1;
    renderer.warmUpFence = nullptr;
    renderer.sumFormat = floatSumFormat();
    uncheckedShaders.clear();
    renderer.pictureProgram = glCreateProgram();
    glAttachShader(renderer.pictureProgram, compile(GL_VERTEX_SHADER, {PICTURE_VERTEX_SHADER}));
    glAttachShader(renderer.pictureProgram, compile(GL_FRAGMENT_SHADER, {PICTURE_FRAGMENT_SHADER}));
    glLinkProgram(renderer.pictureProgram);
    renderer.pictureShare = glGetUniformLocation(renderer.pictureProgram, "share");
    renderer.firstLightAlone = makeProgram("#define FIRST_LIGHT_ALONE\n");
    renderer.anyLights = makeProgram("");
    renderer.program = &renderer.firstLightAlone;
    glUseProgram(renderer.program->id);
    renderer.stateKnown = false;
    uploadShapes();
    emscripten_set_timeout(reportShaderErrors, 0, nullptr);
}

// The frame's canvas size, projection and lights, then its rows. The lights that are not
// there stay dark: no row enables them. Both programs light with the frame's lights; each
// is told only what it does not hold already.
void drawFrame(const Frame& frame) {
    glViewport(0, 0, frame.width, frame.height);
    renderer.projection = frustum(frame.projection);
    FrameLights lights = {};
    for (int i = 0; i < frame.lightCount; ++i) {
        const LightPosition& at = frame.lights[i].position;
        const Colour& c = frame.lights[i].colour;
        const GLfloat position[4] = {at.x, at.y, at.z, at.w};
        const GLfloat colour[3] = {c.r, c.g, c.b};
        std::copy(std::begin(position), std::end(position), &lights.positions[4 * i]);
        std::copy(std::begin(colour), std::end(colour), &lights.colours[3 * i]);
    }
    for (Program* p : {&renderer.firstLightAlone, &renderer.anyLights}) {
        if (p->lightsKnown && same(lights, p->heldFrameLights)) {
            continue;
        }
        glUseProgram(p->id);
        glUniform4fv(p->lightPosition, MAX_LIGHTS, lights.positions);
        glUniform3fv(p->lightColour, MAX_LIGHTS, lights.colours);
        p->heldFrameLights = lights;
        p->lightsKnown = true;
        glUseProgram(renderer.program->id);
    }
    drawRows(frame.rows, frame);
    if (frame.batch >= 0) {
        showBatchAverage(frame);
    }
}

bool canAverageBatches() {
    GLint drawn = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawn);
    const bool can = prepareAverage(1, 1);
    deleteAverage();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(drawn));
    return can;
}

// ---- Warming up ------------------------------------------------------------------------
// Without a GPU, Chromium draws WebGL with SwiftShader, which compiles code for each state and
// target format the first time a draw uses them; and it composites the page in software,
// reading the canvas back each frame while the page waits for everything drawn so far. So
// the first frame, every state of it new, held the page some 60 ms, twice a later frame.
// The same frame drawn at the start into one pixel of the canvas's formats has that code
// compiled alongside the rest of the start, and a fence says when it is done. Until the first
// frame the canvas is hidden (web/index.html), so nothing is read back before then.

void warmUp(const Frame& frame) {
    EmscriptenWebGLContextAttributes canvas;
    emscripten_webgl_get_context_attributes(emscripten_webgl_get_current_context(), &canvas);
    GLuint renderbuffers[2] = {};
    glGenRenderbuffers(2, renderbuffers);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, canvas.alpha ? GL_RGBA8 : GL_RGB8, 1, 1);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, 1, 1);
    GLuint target = 0;
    glGenFramebuffers(1, &target);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              renderbuffers[1]);
    Frame pixel = frame;
    pixel.width = pixel.height = 1;
    // The average of batches keeps textures at the frame's size: left to the frame itself.
    pixel.batch = -1;
    drawFrame(pixel);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &target);
    glDeleteRenderbuffers(2, renderbuffers);
    // The fence also sends the draws on: after a flush alone, ANGLE kept them until the
    // frame's read-back.
    glDeleteSync(renderer.warmUpFence);
    renderer.warmUpFence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
    renderer.warmUpGivenUpAt = emscripten_get_now() + 1000;
}

// WebGL updates a fence's status between tasks, never within one: asked again each animation
// frame, this does not block.
bool warmedUp() {
    if (renderer.warmUpFence == nullptr) {
        return true;
    }
    GLint status = GL_UNSIGNALED;
    glGetSynciv(renderer.warmUpFence, GL_SYNC_STATUS, 1, nullptr, &status);
    if (status != GL_SIGNALED && emscripten_get_now() < renderer.warmUpGivenUpAt) {
        return false;
    }
    glDeleteSync(renderer.warmUpFence);
    renderer.warmUpFence = nullptr;
    return true;
}

// The browser shows the canvas once the callback that drew it returns.
void presentFrame(const Frame&) {}

// WebGL reads RGBA alone; rows run bottom up.
std::vector<unsigned char> readFrame(const Frame& frame) {
    const int width = frame.width;
    const int height = frame.height;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<unsigned char> rgba(4 * pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<unsigned char> rgb(3 * pixels);
    for (size_t i = 0; i < pixels; ++i) {
        const size_t x = i % static_cast<size_t>(width);
        const size_t y = i / static_cast<size_t>(width);
        const size_t from = 4 * ((static_cast<size_t>(height) - 1 - y) * width + x);
        std::copy_n(&rgba[from], 3, &rgb[3 * i]);
    }
    return rgb;
}

// ---- A pixel's history ------------------------------------------------------------------
// WebGL 2 cannot read the stencil back. So the probe is two framebuffers that share one
// depth and stencil buffer: the rows draw into the first, and the stencil test itself turns
// the stencil into the second one's colour, where it can be read.

namespace {

struct Probe {
    GLuint drawn = 0;
    GLuint reading = 0;
    GLuint renderbuffers[3] = {};
    int height = 0;
};

Probe probe;

void readPixel(GLuint framebuffer, int x, int y, unsigned char (&rgba)[4]) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glReadPixels(x, probe.height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

}  // namespace

bool openPixelProbe(int width, int height) {
    probe.height = height;
    glGenRenderbuffers(3, probe.renderbuffers);
    const GLenum formats[3] = {GL_RGBA8, GL_RGBA8, GL_DEPTH24_STENCIL8};
    for (int k = 0; k < 3; ++k) {
        glBindRenderbuffer(GL_RENDERBUFFER, probe.renderbuffers[k]);
        glRenderbufferStorage(GL_RENDERBUFFER, formats[k], width, height);
    }
    bool complete = true;
    for (const int k : {0, 1}) {
        GLuint& framebuffer = k == 0 ? probe.drawn : probe.reading;
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  probe.renderbuffers[k]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  probe.renderbuffers[2]);
        complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, probe.drawn);
    if (!complete) {
        closePixelProbe();
    }
    return complete;
}

PixelSample probePixel(int x, int y) {
    unsigned char colour[4] = {};
    readPixel(probe.drawn, x, y, colour);
    glBindFramebuffer(GL_FRAMEBUFFER, probe.reading);
    // The reading rows cover the whole window and light nothing: no frame's things needed.
    drawRows(stencilReadingRows(), Frame{});
    unsigned char stencil[4] = {};
    readPixel(probe.reading, x, y, stencil);
    glBindFramebuffer(GL_FRAMEBUFFER, probe.drawn);
    return {colour[0], colour[1], colour[2], stencil[0]};
}

void closePixelProbe() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &probe.drawn);
    glDeleteFramebuffers(1, &probe.reading);
    glDeleteRenderbuffers(3, probe.renderbuffers);
    probe = Probe{};
}
