// The meshes in mesh/ must be what GLU and freeglut draw: GL feedback mode captures every
// primitive Mesa assembles from gluSphere, gluDisk, gluCylinder and glutWireTeapot, and the
// capture must equal the mesh primitive for primitive, vertex for vertex, position and
// normal alike. Drawn lit, as triangles and lines, the meshes must then give the very
// pixels GLU and freeglut give. The web edition draws the teapot through indices: expanded
// through them, they must give freeglut's segments in freeglut's order, and the shorter
// list for the stencil steps each of freeglut's segments exactly once.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "mesh/mesh.h"
#include "platform/opengl.h"
#include "scene/offscreen.h"
#include "shadow/room.h"

namespace {

constexpr int SIZE = 512;

struct Shape {
    const char* name;
    void (*draw)();
    Mesh mesh;
};

// Default settings, as the program's: filled, smooth normals, outside, no texture.
GLUquadric* quadric() {
    static GLUquadric* const defaultQuadric = gluNewQuadric();
    return defaultQuadric;
}

RoomQuad smallFloor() {
    RoomQuad quad = FLOOR_QUAD;
    for (Point3& p : quad.corners) {
        p = {p.x / 4, (p.y + 100) / 4, (p.z + 420) / 4};
    }
    return quad;
}

// As the fixed-function renderer draws the room.
void drawQuads(std::initializer_list<RoomQuad> quads) {
    glBegin(GL_QUADS);
    for (const RoomQuad& quad : quads) {
        glNormal3f(quad.normal.x, quad.normal.y, quad.normal.z);
        for (const Point3& p : quad.corners) {
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
}

// The web edition's teapot, drawn through its indices.
Mesh indexedTeapot() {
    const IndexedMesh teapot = indexedMesh(wireTeapotMesh(TEAPOT_SIZE));
    return expandedMesh(teapot, teapot.indices);
}

// The program's shapes, with its own parameters.
std::vector<Shape> shapes() {
    return {
        {"sphere", [] { gluSphere(quadric(), SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS); },
         sphereMesh(SPHERE_RADIUS, ROUND_SLICES, ROUND_STACKS)},
        {"light marker",
         [] { gluSphere(quadric(), LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS); },
         sphereMesh(LIGHT_MARKER_RADIUS, ROUND_SLICES, ROUND_STACKS)},
        {"cone base", [] { gluDisk(quadric(), 0.0, CONE_RADIUS, ROUND_SLICES, 1); },
         diskMesh(0.0, CONE_RADIUS, ROUND_SLICES, 1)},
        {"cone side",
         [] { gluCylinder(quadric(), CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS); },
         cylinderMesh(CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS)},
        {"wire teapot", [] { glutWireTeapot(TEAPOT_SIZE); }, indexedTeapot()},
        // The room's quads are too large for the capture; the floor's shrunk to a quarter
        // (exactly, by a power of two) shows how GL cuts a quad all the same.
        {"floor quad", [] { drawQuads({smallFloor()}); }, quadsMesh({smallFloor()})},
    };
}

// Feedback reports window coordinates and texture coordinates, never the normal or the
// object position, so the set-up makes both come back unrounded:
// - An orthographic box of half-width 64 and a 512-wide viewport whose centre is the
//   window's origin give x_win = 4·x and y_win = 4·y: scaling by powers of two and adding
//   zeros, no rounding. Drawing into a framebuffer object matters: for the window's own
//   buffer Mesa flips y as height − y, which rounds.
// - Window z would be z/128 + 0.5, which rounds; texture generation puts the object z
//   itself in q (object-linear plane (0, 0, 1, 0)), and the eye-space normal in s, t, r
//   (normal map), which with an identity modelview is the normal as given.
// - Mesa reports generated texture coordinates only while a complete texture is enabled
//   on unit 0; without one, feedback gives (0, 0, 0, 1) for every vertex.
// Every number is therefore exact, and the comparison allows no difference at all.
void setUpCapture() {
    glViewport(-SIZE / 2, -SIZE / 2, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-64, 64, -64, 64, -64, 64);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    static const GLubyte white[4] = {255, 255, 255, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glEnable(GL_TEXTURE_2D);
    static const GLfloat zPlane[4] = {0, 0, 1, 0};
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_Q, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_Q, GL_OBJECT_PLANE, zPlane);
    for (GLenum coordinate :
         {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) {
        glEnable(coordinate);
    }
}

// What GL assembled from draw(), as a mesh: x, y from the window, z and the normal from the
// generated texture coordinate. Fails the test on anything but triangles or lines.
Mesh capture(void (*draw)()) {
    // GL_3D_COLOR_TEXTURE: x, y, z, then RGBA, then s, t, r, q for each vertex.
    constexpr int FLOATS_PER_VERTEX = 11;
    std::vector<GLfloat> buffer(1 << 18);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "the feedback buffer overflowed";

    Mesh mesh{MeshPrimitive::Triangles, {}};
    bool sawTriangles = false, sawLines = false;
    for (GLint at = 0; at < used;) {
        const GLint token = static_cast<GLint>(buffer[at++]);
        int count = 2;
        if (token == GL_POLYGON_TOKEN) {
            count = static_cast<int>(buffer[at++]);
            sawTriangles = true;
            EXPECT_EQ(count, 3) << "a polygon that is not a triangle";
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            sawLines = true;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        for (int i = 0; i < count; ++i, at += FLOATS_PER_VERTEX) {
            const GLfloat* v = &buffer[at];
            mesh.vertices.push_back({{v[0] / 4, v[1] / 4, v[10]}, {v[7], v[8], v[9]}});
        }
    }
    EXPECT_FALSE(sawTriangles && sawLines) << "triangles and lines in one shape";
    if (sawLines) {
        mesh.primitive = MeshPrimitive::Lines;
    }
    return mesh;
}

// Compared with ==, not bit for bit: GL's matrix products add +0 terms and so turn a
// mesh's −0 into +0. A NaN anywhere counts as a difference.
void expectSameMesh(const Mesh& drawn, const Mesh& computed) {
    EXPECT_TRUE(drawn.primitive == computed.primitive);
    ASSERT_EQ(drawn.vertices.size(), computed.vertices.size());
    for (size_t i = 0; i < drawn.vertices.size(); ++i) {
        const MeshVertex& d = drawn.vertices[i];
        const MeshVertex& c = computed.vertices[i];
        bool same = true;
        for (int k = 0; k < 3; ++k) {
            same = same && d.position[k] == c.position[k] && d.normal[k] == c.normal[k];
        }
        if (!same) {
            ADD_FAILURE() << "vertex " << i << " of " << drawn.vertices.size()
                          << " differs: GL position " << d.position[0] << ' ' << d.position[1]
                          << ' ' << d.position[2] << " normal " << d.normal[0] << ' ' << d.normal[1]
                          << ' ' << d.normal[2] << ", mesh position " << c.position[0] << ' '
                          << c.position[1] << ' ' << c.position[2] << " normal " << c.normal[0]
                          << ' ' << c.normal[1] << ' ' << c.normal[2];
            return;
        }
    }
}

TEST(Geometry, MeshesAreWhatGluAndFreeglutDraw) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    setUpCapture();
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        expectSameMesh(capture(shape.draw), shape.mesh);
        std::printf("%s: %zu vertices\n", shape.name, shape.mesh.vertices.size());
    }
    glPopAttrib();
}

// A line mesh's segments by their ends' values (GL's feedback turns -0 into +0).
std::set<std::array<float, 6>> segmentsOf(const Mesh& lines) {
    std::set<std::array<float, 6>> segments;
    const std::vector<MeshVertex>& v = lines.vertices;
    for (size_t at = 0; at + 1 < v.size(); at += 2) {
        segments.insert({v[at].position[0], v[at].position[1], v[at].position[2],
                         v[at + 1].position[0], v[at + 1].position[1], v[at + 1].position[2]});
    }
    return segments;
}

// The stencil-only draws' list must still cover every segment freeglut draws, each once and
// in freeglut's direction, leaving out only repeats, ends equal bit for bit, of segments it
// keeps; and a triangle mesh's reordered list must hold each of its triangles, corners in
// their order.
TEST(Geometry, StencilOnlyDrawsHoldEachPrimitiveOnce) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    setUpCapture();
    const Mesh drawn = capture([] { glutWireTeapot(TEAPOT_SIZE); });
    glPopAttrib();
    const IndexedMesh teapot = indexedMesh(wireTeapotMesh(TEAPOT_SIZE));
    const Mesh once = expandedMesh(teapot, stencilOnlyIndices(teapot));
    EXPECT_TRUE(segmentsOf(once) == segmentsOf(drawn));
    std::set<std::array<std::uint32_t, 6>> distinct;
    for (size_t at = 0; at + 1 < once.vertices.size(); at += 2) {
        std::array<std::uint32_t, 6> ends;
        std::memcpy(ends.data(), once.vertices[at].position, 12);
        std::memcpy(ends.data() + 3, once.vertices[at + 1].position, 12);
        EXPECT_TRUE(distinct.insert(ends).second) << "segment " << at / 2 << " drawn twice";
    }
    EXPECT_LT(once.vertices.size(), drawn.vertices.size());
    std::printf("wire teapot: %zu segments through %zu points, %zu of them in the stencil steps\n",
                drawn.vertices.size() / 2, teapot.vertices.size(), once.vertices.size() / 2);

    const IndexedMesh cone =
        indexedMesh(cylinderMesh(CONE_RADIUS, 0.0, CONE_HEIGHT, ROUND_SLICES, ROUND_STACKS));
    const std::vector<std::uint32_t> reordered = stencilOnlyIndices(cone);
    using Triangle = std::array<std::uint32_t, 3>;
    std::multiset<Triangle> before, after;
    for (size_t at = 0; at + 2 < cone.indices.size(); at += 3) {
        before.insert({cone.indices[at], cone.indices[at + 1], cone.indices[at + 2]});
        after.insert({reordered[at], reordered[at + 1], reordered[at + 2]});
    }
    EXPECT_EQ(reordered.size(), cone.indices.size());
    EXPECT_TRUE(before == after);
    EXPECT_TRUE(reordered != cone.indices);
}

// The frame a draw call leaves, lit: per-vertex lighting spreads each vertex's colour over
// its triangles, so the colours inside a quad show which diagonal cut it.
std::vector<GLubyte> litFrame(void (*draw)(const Shape&), const Shape& shape) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw(shape);
    std::vector<GLubyte> rgba(4 * SIZE * SIZE);
    glReadPixels(0, 0, SIZE, SIZE, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

void drawMesh(const Shape& shape) {
    const std::vector<MeshVertex>& v = shape.mesh.vertices;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), v[0].position);
    glNormalPointer(GL_FLOAT, sizeof(MeshVertex), v[0].normal);
    glDrawArrays(shape.mesh.primitive == MeshPrimitive::Lines ? GL_LINES : GL_TRIANGLES, 0,
                 static_cast<GLsizei>(v.size()));
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

TEST(Geometry, MeshesGiveTheSameLitPixels) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-64, 64, -64, 64, -64, 64);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    static const GLfloat light[4] = {30, 50, 80, 1};
    static const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 20);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.2f, 0.8f, 0.6f);
    glEnable(GL_DEPTH_TEST);
    // Seen at a slant, so the cone's side and the disk face the viewer.
    glRotatef(-60, 1, 0, 0);
    glRotatef(25, 0, 0, 1);
    glTranslatef(0, 0, -25);
    const std::vector<GLubyte> empty = litFrame([](const Shape&) {}, shapes().front());
    for (const Shape& shape : shapes()) {
        SCOPED_TRACE(shape.name);
        const std::vector<GLubyte> fromGl = litFrame([](const Shape& s) { s.draw(); }, shape);
        EXPECT_TRUE(fromGl != empty);
        EXPECT_TRUE(litFrame(drawMesh, shape) == fromGl);
    }
    glPopAttrib();
}

}  // namespace

// A window only for its GL context; everything is drawn into a framebuffer object of its own.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("geometry-test");
    OffscreenTarget target;
    if (!openOffscreenTarget(SIZE, SIZE, target)) {
        std::fprintf(stderr, "no complete framebuffer object\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
