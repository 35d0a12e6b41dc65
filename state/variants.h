// The pass broken one choice at a time: each variant changes one field of one kind of draw
// in the table of render states (state/pass_table.cpp), or the one check that keeps a
// receiver the light is behind from being flattened onto, and shows the classic fault that
// choice brings. No GL.
#pragma once

#include <string>

enum class Variant { None, DepthTestedClear, DarkenWithLess, PolygonOffset, NoLightSideCheck };

struct VariantInfo {
    Variant variant;
    // As a link and the snapshot tool name it.
    const char* name;
    // The row and the field it changes, in the table's and GL's words.
    const char* change;
    // What goes wrong, and what the right choice does instead.
    const char* wrong;
    const char* right;
};

// Every variant, None first with the name "none".
const VariantInfo* variantsBegin();
const VariantInfo* variantsEnd();

const VariantInfo& variantInfo(Variant variant);

// The variant of that name, or nullptr.
const VariantInfo* findVariant(const std::string& name);

// "Variant NAME: it changes ...; what goes wrong. Right: ..." in one line; "" for None.
std::string variantExplanation(Variant variant);

// The names, a line each with its explanation, as --variant list prints them.
std::string variantList();
