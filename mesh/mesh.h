// The program's curved shapes as plain vertex lists: the sphere, disk and cone side that
// GLU's quadrics draw and the wire teapot that glutWireTeapot draws, computed here in plain
// C++ so a renderer without GLU or GLUT (the web edition on WebGL 2) draws the very same
// geometry. Every value is the one the desktop hands to GL, to the last bit, and every
// fan or strip is cut into triangles the way Mesa cuts it, so per-vertex lighting gives
// the same colours inside each face. No GL here: this sits below everything else.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "shadow/room.h"

struct MeshVertex {
    float position[3];
    float normal[3];
};

enum class MeshPrimitive { Triangles, Lines };

// Vertices in groups of 3 (triangles) or 2 (line segments), in the order the desktop's GL
// draws them.
struct Mesh {
    MeshPrimitive primitive;
    std::vector<MeshVertex> vertices;
};

// Each as drawn by a default GLU quadric (filled, smooth normals pointing outwards, no
// texture coordinates), around the z axis. Parameters GLU rejects give an empty mesh.
Mesh sphereMesh(double radius, int slices, int stacks);
Mesh diskMesh(double innerRadius, double outerRadius, int slices, int loops);
Mesh cylinderMesh(double baseRadius, double topRadius, double height, int slices, int stacks);

// The room's quads as glBegin(GL_QUADS) draws them, one normal a quad: Mesa cuts the
// corners 0, 1, 2, 3 into the triangles (0, 1, 3) and (1, 2, 3).
Mesh quadsMesh(std::initializer_list<RoomQuad> quads);

// glutWireTeapot(size): Bezier patch isolines as separate line segments.
Mesh wireTeapotMesh(double size);

// A mesh with each distinct vertex kept once, and the indices, in groups of 3 or 2 as in
// Mesh, that draw its primitives in the same order: what a renderer with an index buffer
// draws instead, processing each vertex once rather than once for every primitive it ends.
struct IndexedMesh {
    MeshPrimitive primitive;
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;
};

// Vertices equal bit for bit, position and normal, are kept once, in the order of their
// first use.
IndexedMesh indexedMesh(const Mesh& mesh);

// The vertices these indices of the mesh name, in their order: the primitives a draw of
// those indices gives.
Mesh expandedMesh(const IndexedMesh& mesh, const std::vector<std::uint32_t>& indices);

// The mesh's primitives for a draw where only the set of pixels they cover counts, not the
// order they come in nor how often a pixel is covered, as with the stencil operations of the
// shadow passes. A line mesh's segments come once each: a segment whose two ends lie on an
// earlier segment's two ends, bit for bit and in the same order, is left out (one drawn the
// other way round is kept, since GL's rule for a line's last pixel can give it other pixels).
// Then all of them are reordered so that the vertices a pipeline processes together start
// as many primitives as they can before its vertex cache forgets them. Each primitive keeps
// its own corners in their order, so it covers the same pixels.
std::vector<std::uint32_t> stencilOnlyIndices(const IndexedMesh& mesh);
