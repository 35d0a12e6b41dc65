// The gallery: the variants of the pass (state/variants.h) and the technique's honest
// limits, each as two links' state texts, the picture that shows the fault and the one
// beside it that shows the right pass, or the same scene where the limit does not show.
// The page lists the entries as links, the snapshot tool draws both pictures of each
// (--gallery), and docs/gallery.md shows them side by side. No GL.
#pragma once

#include <vector>

struct GalleryEntry {
    // Names the entry's two pictures: NAME-wrong.png and NAME-right.png.
    const char* name;
    const char* title;
    // What the wrong picture shows and why, and what the right one does instead.
    const char* text;
    // The two pictures' state texts (state/state_text.h), as a link holds them.
    const char* wrong;
    const char* right;
};

const std::vector<GalleryEntry>& galleryEntries();
