// Meshes with each vertex once and index lists over them, for renderers with index buffers.
// Vertices and segments are compared by their floats' bits: equal bits are equal values to
// every later step of a GL pipeline, so nothing a renderer draws can tell the difference.
#include <array>
#include <cstring>
#include <map>
#include <set>

#include "mesh/mesh.h"

namespace {

// Floats by their bits, so that -0 and +0 stay apart.
using VertexBits = std::array<std::uint32_t, 6>;
using SegmentBits = std::array<std::uint32_t, 6>;

VertexBits bitsOf(const MeshVertex& vertex) {
    static_assert(sizeof(MeshVertex) == sizeof(VertexBits), "a vertex is its six floats");
    VertexBits bits;
    std::memcpy(bits.data(), &vertex, sizeof bits);
    return bits;
}

SegmentBits bitsOf(const MeshVertex& from, const MeshVertex& to) {
    SegmentBits bits;
    std::memcpy(bits.data(), from.position, sizeof from.position);
    std::memcpy(bits.data() + 3, to.position, sizeof to.position);
    return bits;
}

}  // namespace

IndexedMesh indexedMesh(const Mesh& mesh) {
    IndexedMesh indexed{mesh.primitive, {}, {}};
    std::map<VertexBits, std::uint32_t> indexOf;
    for (const MeshVertex& vertex : mesh.vertices) {
        const auto next = static_cast<std::uint32_t>(indexed.vertices.size());
        const auto [at, added] = indexOf.emplace(bitsOf(vertex), next);
        if (added) {
            indexed.vertices.push_back(vertex);
        }
        indexed.indices.push_back(at->second);
    }
    return indexed;
}

Mesh expandedMesh(const IndexedMesh& mesh, const std::vector<std::uint32_t>& indices) {
    Mesh expanded{mesh.primitive, {}};
    for (const std::uint32_t index : indices) {
        expanded.vertices.push_back(mesh.vertices.at(index));
    }
    return expanded;
}

std::vector<std::uint32_t> segmentsOnce(const IndexedMesh& mesh) {
    std::vector<std::uint32_t> kept;
    std::set<SegmentBits> seen;
    for (size_t at = 0; at + 1 < mesh.indices.size(); at += 2) {
        const std::uint32_t from = mesh.indices[at], to = mesh.indices[at + 1];
        if (seen.insert(bitsOf(mesh.vertices.at(from), mesh.vertices.at(to))).second) {
            kept.push_back(from);
            kept.push_back(to);
        }
    }
    return kept;
}
