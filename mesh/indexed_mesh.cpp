// Meshes with each vertex once and index lists over them, for renderers with index buffers.
// Vertices and segments are compared by their floats' bits: equal bits are equal values to
// every later step of a GL pipeline, so nothing a renderer draws can tell the difference.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

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

// Which of the things met so far have these bits: a table of their numbers, open-addressed
// on a hash of the bits. The page's start indexes every mesh before its first frame, the
// teapot's thousands of vertices among them, and std::map's or std::unordered_map's code
// would be more to download and slower.
class SeenBits {
  public:
    explicit SeenBits(size_t most) {
        size_t slots = 1;
        while (slots < 2 * most) {
            slots *= 2;
        }
        table_.assign(slots, FREE);
    }

    // The number of the first thing met with these bits, `bitsOf` giving a number's bits;
    // `number` if there was none.
    template <typename BitsOf>
    std::uint32_t first(const std::array<std::uint32_t, 6>& bits, std::uint32_t number,
                        const BitsOf& bitsOf) {
        std::uint64_t hash = 14695981039346656037u;  // FNV-1a, a word at a time
        for (const std::uint32_t word : bits) {
            hash = (hash ^ word) * 1099511628211u;
        }
        const size_t mask = table_.size() - 1;
        size_t at = static_cast<size_t>(hash ^ (hash >> 32)) & mask;
        while (table_[at] != FREE && bitsOf(table_[at]) != bits) {
            at = (at + 1) & mask;
        }
        if (table_[at] == FREE) {
            table_[at] = number;
        }
        return table_[at];
    }

  private:
    static constexpr std::uint32_t FREE = 0xFFFFFFFF;
    std::vector<std::uint32_t> table_;
};

SegmentBits bitsOf(const MeshVertex& from, const MeshVertex& to) {
    SegmentBits bits;
    std::memcpy(bits.data(), from.position, sizeof from.position);
    std::memcpy(bits.data() + 3, to.position, sizeof to.position);
    return bits;
}

std::vector<std::uint32_t> segmentsOnce(const IndexedMesh& mesh) {
    std::vector<std::uint32_t> kept;
    SeenBits seen(mesh.indices.size() / 2);
    for (size_t at = 0; at + 1 < mesh.indices.size(); at += 2) {
        const std::uint32_t from = mesh.indices[at], to = mesh.indices[at + 1];
        const auto segment = static_cast<std::uint32_t>(at);
        const auto segmentBits = [&mesh](std::uint32_t k) {
            return bitsOf(mesh.vertices[mesh.indices[k]], mesh.vertices[mesh.indices[k + 1]]);
        };
        if (seen.first(bitsOf(mesh.vertices.at(from), mesh.vertices.at(to)), segment,
                       segmentBits) == segment) {
            kept.push_back(from);
            kept.push_back(to);
        }
    }
    return kept;
}

// The vertex cache the order is made for is SwiftShader's, the software renderer Chromium
// draws WebGL with where there is no usable GPU, and where the vertex work of the teapot's
// thousands of segments weighs on a frame. It checks a draw's indices one at a time against
// a direct-mapped cache of 64 vertices (index modulo 64), and on a miss shades four
// consecutive indices of the list at once, one for each lane of a vector; it works through
// a draw in batches of 128 primitives, each maybe on another thread with another cache. In
// freeglut's order each segment repeats the index the one before it ended on, so half the
// lanes shade a vertex again. The order below starts every miss with two primitives whose
// corners are all new, then draws every primitive whose corners are all cached before the
// next miss, and starts afresh for each batch. Any vertex cache gains from the locality.
constexpr size_t BATCH_PRIMITIVES = 128;
constexpr std::uint32_t CACHE_SLOTS = 64;
// How far ahead in the mesh's own order a second primitive of new corners is looked for.
constexpr size_t LOOK_AHEAD = 64;

std::vector<std::uint32_t> orderedForVertexCache(const std::vector<std::uint32_t>& indices,
                                                 size_t corners) {
    const size_t count = indices.size() / corners;
    const auto corner = [&](size_t primitive, size_t k) {
        return indices[primitive * corners + k];
    };
    // Each vertex's primitives in their order, all in one list: vertex v's are
    // primitives[firstOf[v]] up to primitives[firstOf[v + 1]].
    std::uint32_t vertexCount = 0;
    for (const std::uint32_t v : indices) {
        vertexCount = std::max(vertexCount, v + 1);
    }
    std::vector<size_t> firstOf(vertexCount + 1, 0);
    for (size_t at = 0; at < count * corners; ++at) {
        ++firstOf[indices[at] + 1];
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v) {
        firstOf[v + 1] += firstOf[v];
    }
    std::vector<size_t> primitives(count * corners);
    std::vector<size_t> filled(firstOf.begin(), firstOf.end() - 1);
    for (size_t p = 0; p < count; ++p) {
        for (size_t k = 0; k < corners; ++k) {
            primitives[filled[corner(p, k)]++] = p;
        }
    }
    std::vector<bool> drawn(count, false);
    std::vector<std::uint32_t> ordered;
    size_t firstLeft = 0, left = count;
    while (left > 0) {
        std::vector<std::int64_t> cache(CACHE_SLOTS, -1);
        const auto cached = [&cache](std::uint32_t v) { return cache[v % CACHE_SLOTS] == v; };
        const auto allCached = [&](size_t p) {
            for (size_t k = 0; k < corners; ++k) {
                if (!cached(corner(p, k))) {
                    return false;
                }
            }
            return true;
        };
        size_t inBatch = 0;
        std::vector<std::uint32_t> fresh;
        const auto draw = [&](size_t p) {
            drawn[p] = true;
            --left;
            ++inBatch;
            for (size_t k = 0; k < corners; ++k) {
                ordered.push_back(corner(p, k));
            }
        };
        while (left > 0 && inBatch < BATCH_PRIMITIVES) {
            // Every primitive the newly cached vertices complete, without a miss.
            for (size_t at = 0; at < fresh.size() && inBatch < BATCH_PRIMITIVES; ++at) {
                const std::uint32_t v = fresh[at];
                for (size_t i = firstOf[v]; i < firstOf[v + 1]; ++i) {
                    const size_t p = primitives[i];
                    if (!drawn[p] && allCached(p) && inBatch < BATCH_PRIMITIVES) {
                        draw(p);
                    }
                }
            }
            fresh.clear();
            if (left == 0 || inBatch == BATCH_PRIMITIVES) {
                break;
            }
            // A miss: the earliest primitive left, and one near it whose corners are new.
            while (drawn[firstLeft]) {
                ++firstLeft;
            }
            const size_t first = firstLeft;
            std::vector<size_t> missed{first};
            const auto isNew = [&](std::uint32_t v) {
                for (size_t k = 0; k < corners; ++k) {
                    if (corner(first, k) == v) {
                        return false;
                    }
                }
                return !cached(v);
            };
            for (size_t p = first + 1; p < count && p <= first + LOOK_AHEAD; ++p) {
                bool allNew = !drawn[p];
                for (size_t k = 0; k < corners && allNew; ++k) {
                    allNew = isNew(corner(p, k));
                }
                if (allNew) {
                    missed.push_back(p);
                    break;
                }
            }
            for (const size_t p : missed) {
                if (inBatch < BATCH_PRIMITIVES) {
                    draw(p);
                    for (size_t k = 0; k < corners; ++k) {
                        fresh.push_back(corner(p, k));
                    }
                }
            }
            // Cached last to first, so that where two share a slot the earlier one stays.
            for (auto v = fresh.rbegin(); v != fresh.rend(); ++v) {
                cache[*v % CACHE_SLOTS] = *v;
            }
        }
    }
    return ordered;
}

}  // namespace

IndexedMesh indexedMesh(const Mesh& mesh) {
    IndexedMesh indexed{mesh.primitive, {}, {}};
    SeenBits indexOf(mesh.vertices.size());
    for (const MeshVertex& vertex : mesh.vertices) {
        const auto next = static_cast<std::uint32_t>(indexed.vertices.size());
        const std::uint32_t index =
            indexOf.first(bitsOf(vertex), next,
                          [&indexed](std::uint32_t k) { return bitsOf(indexed.vertices[k]); });
        if (index == next) {
            indexed.vertices.push_back(vertex);
        }
        indexed.indices.push_back(index);
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

std::vector<std::uint32_t> stencilOnlyIndices(const IndexedMesh& mesh) {
    if (mesh.primitive == MeshPrimitive::Lines) {
        return orderedForVertexCache(segmentsOnce(mesh), 2);
    }
    return orderedForVertexCache(mesh.indices, 3);
}
