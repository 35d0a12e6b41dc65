#include "state/variants.h"

#include <iterator>

namespace {

// clang-format off
constexpr VariantInfo VARIANTS[] = {
    {Variant::None, "none", "", "", ""},
    {Variant::DepthTestedClear, "depth-tested-clear",
     "CLEAR_MARKS with the depth test on, GL_LESS (depth writes stay off)",
     "the flattened casters lie in the receiver's very plane, so rounding decides each pixel "
     "between them and the receiver's stored depth: only some marks are cleared, and the "
     "shadows come out speckled",
     "with the depth test off, every mark the flattened casters cover is cleared"},
    {Variant::DarkenWithLess, "darken-with-less",
     "DARKEN_CLEARED with glDepthFunc(GL_LESS) instead of GL_LEQUAL",
     "the receiver's second drawing lands on exactly the depth its first drawing stored, "
     "fails GL_LESS everywhere, and no shadow is drawn",
     "GL_LEQUAL passes on its own depth, so the cleared pixels are darkened"},
    {Variant::PolygonOffset, "polygon-offset",
     "UNCONFINED_SHADOWS, the pass without the stencil, with glPolygonOffset(-1, -2) pulling "
     "the flattened casters towards the eye",
     "the fight for depth is gone, but the shadows still spill past the receiver's edge, and "
     "translucent ones darken twice where polygons overlap; WebGL 2 offsets only filled "
     "polygons, not lines, so on the page the wire teapot's shadow may still fight",
     "the stencil confines each shadow to its receiver's own pixels, once per pixel, with no "
     "fight for depth"},
    {Variant::NoLightSideCheck, "no-light-side-check",
     "CLEAR_MARKS drawn even onto a receiver the light is behind (no side test)",
     "points that land at negative w are clipped, but the cone's and the sphere's shadow "
     "matrix is applied twice (M·M = dot·M, with dot < 0 behind the plane), so they come back "
     "at positive w and throw false shadows: with the light below the floor, the floor shows "
     "them",
     "the side test draws nothing onto a receiver that faces away from the light"},
};
// clang-format on

constexpr bool inVariantOrder() {
    for (int i = 0; i < static_cast<int>(std::size(VARIANTS)); ++i) {
        if (VARIANTS[i].variant != static_cast<Variant>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(inVariantOrder(), "the variants in Variant's order, so each is found by its value");

}  // namespace

const VariantInfo* variantsBegin() {
    return std::begin(VARIANTS);
}

const VariantInfo* variantsEnd() {
    return std::end(VARIANTS);
}

const VariantInfo& variantInfo(Variant variant) {
    return VARIANTS[static_cast<int>(variant)];
}

const VariantInfo* findVariant(const std::string& name) {
    for (const VariantInfo& info : VARIANTS) {
        if (name == info.name) {
            return &info;
        }
    }
    return nullptr;
}

std::string variantExplanation(Variant variant) {
    if (variant == Variant::None) {
        return "";
    }
    const VariantInfo& info = variantInfo(variant);
    return std::string("Variant ") + info.name + ": " + info.change + "; " + info.wrong +
           ". Right: " + info.right + ".";
}

std::string variantList() {
    std::string list;
    for (const VariantInfo& info : VARIANTS) {
        list +=
            std::string(info.name) + "\t" +
            (info.variant == Variant::None ? "the right pass" : variantExplanation(info.variant)) +
            "\n";
    }
    return list;
}
