#include "state/gallery.h"

// Each entry's light is placed where its fault shows best.
const std::vector<GalleryEntry>& galleryEntries() {
    static const std::vector<GalleryEntry> entries = {
        {"depth-tested-clear", "The flattened casters cleared with the depth test on",
         "The flattened casters lie in the floor's very plane, so with the depth test on "
         "rounding decides, pixel by pixel, whether they pass against the depth the floor "
         "stored: only some marks are cleared, and the shadows come out speckled. With the "
         "depth test off, every mark they cover is cleared.",
         "variant=depth-tested-clear", ""},
        {"darken-with-less", "The receiver darkened with GL_LESS",
         "The receiver's second drawing lands on exactly the depth its first one stored, so "
         "GL_LESS fails on every pixel and no shadow is drawn; GL_LEQUAL passes on its own "
         "depth.",
         "variant=darken-with-less", ""},
        {"polygon-offset", "The pass without the stencil, with a polygon offset",
         "The half fix: glPolygonOffset pulls the flattened casters towards the eye, so they no "
         "longer fight the receiver for depth, but the cone's shadow spills past the board's "
         "edge onto the back wall, and the translucent shadows darken again wherever flattened "
         "polygons overlap. The stencil keeps each shadow on its receiver's own pixels, once "
         "per pixel. In the browser the wire teapot's shadow may still fight: WebGL 2 offsets "
         "only filled polygons.",
         "light=-95,-30,-400&translucent&board=0,-430,0&variant=polygon-offset",
         "light=-95,-30,-400&translucent&board=0,-430,0"},
        {"no-light-side-check", "Flattened onto a receiver the light is behind",
         "With the light below the floor, the floor faces away from it and should take no "
         "shadow. Without the side test its casters are flattened onto it all the same: points "
         "that land at negative w are clipped, but the cone and the sphere, whose matrix is "
         "applied twice (M·M = dot·M, dot < 0), come back at positive w and throw false "
         "shadows onto it. The side test draws nothing there.",
         "light=0,-150,-320&variant=no-light-side-check", "light=0,-150,-320"},
        {"no-stencil", "Shadows without the stencil",
         "The flattened casters drawn straight over the floor in black fight it for depth in "
         "its very plane, so the shadows are speckled, and nothing keeps them on the "
         "receiver's own pixels. The stencil marks the receiver, lets the casters clear the "
         "marks and darkens only there.",
         "no-stencil", ""},
        {"translucent-no-stencil", "Translucent shadows without the stencil",
         "Each flattened polygon darkens the floor again where it overlaps another, so the "
         "teapot's wire shadow and the sphere's come out blotched. With the stencil each "
         "shadowed pixel is halved exactly once.",
         "translucent&no-stencil", "translucent"},
        {"light-level-with-caster", "The light level with the sphere",
         "A limit: the rays through the sphere's upper half go up and never reach the floor, "
         "and those through its lower half reach it only beyond the right wall, which takes "
         "the shadow. The shadow matrix sends the points level with the light to w = 0, at "
         "infinity, and those above it behind the light, at negative w, where GL clips them: "
         "the picture stays right only because of that clipping. Beside it, the light higher "
         "up.",
         "light=-20,-50,-360&receivers=floor,left-wall,right-wall",
         "light=-20,60,-360&receivers=floor,left-wall,right-wall"},
        {"casters-do-not-shadow-one-another", "Casters that do not shadow one another",
         "A limit: the cone stands between the light and the sphere, yet the sphere's side "
         "that faces it stays lit, since only planes receive shadows; a curved caster would "
         "need shadow maps or shadow volumes. Beside it, the light where no caster stands in "
         "another's light.",
         "light=-70,-11,-412", ""},
    };
    return entries;
}
