// The pieces the shadow pass's files build their rows from: the kinds of draw with their
// render states (pass_table.cpp), the receivers as each light sees them and the one order
// in which every frame visits them, the steps (pass_steps.cpp) and the soft pass
// (soft_pass.cpp). Only the pass's own files include this; the rest of the program sees
// state/shadow_pass.h, state/stencil_view.h and state/pixel_history.h. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/program_state.h"
#include "state/render_state.h"

// ---- The render states -------------------------------------------------------------------

// The kinds of draw, each with its whole render state in pass_table.cpp's table.
enum Pass {
    PLAIN_LIT,
    PLAIN_UNLIT,
    MARK_RECEIVER,
    CLEAR_MARKS,
    DARKEN_CLEARED,
    DARKEN_CLEARED_HALF,
    UNCONFINED_SHADOWS,
    UNCONFINED_SHADOWS_HALF,
    SHOW_MARKS,
    SHOW_FLATTENED_CASTERS,
    MARK_SAMPLE,
    COUNT_SAMPLE,
    DARKEN_COUNT,
    REMARK_RECEIVER,
    ADD_LIGHT,
    ADD_LIGHT_HALF,
    ADD_COUNT,
    SHOW_STENCIL_VALUE,
    SHOW_RECEIVER_STENCIL_VALUE,
    READ_STENCIL_BIT,
};

constexpr Colour BLACK = {0, 0, 0, 1};
constexpr Colour HALF_BLACK = {0, 0, 0, 0.5f};
constexpr Colour MARK_MAGENTA = {1, 0, 1, 0.5f};
constexpr Colour CASTER_YELLOW = {1, 1, 0, 1};

// A row of this kind drawing `draws` in `colour`, for light 1.
PassRow row(Pass pass, Draws draws, Colour colour);

// The row with the state `variant` gives its kind of draw, where the variant changes it.
PassRow varied(PassRow drawn, Pass pass, Variant variant);

// The casters, the room's shell, the receivers without the stencil: lit by every light
// there is, and the ambient light.
PassRow litByEveryLight(PassRow lit, const ProgramState& s);

// Lit by this light alone, a share of it as the colour's alpha says.
PassRow litAlone(PassRow lit, int light, float share);

// Clears these buffers (CLEAR_COLOUR, ...) through all write masks.
PassRow clearRow(unsigned buffers);

// ---- The receivers, each as one light sees it ------------------------------------------

struct ReceiverLight {
    Receiver receiver;
    int light;
};

// The order every frame visits them in: for each receiver in `receivers` (receiverBit) in
// Receiver's order, the floor first and the board last, light 1's pass on it, then that of
// each light after it. The steps, the frame, the stencil view and a pixel's history all
// walk this one list.
std::vector<ReceiverLight> eachReceiverEachLight(unsigned receivers, int lightCount);

struct ReceiverFacts {
    Receiver receiver;
    Draws surface;
    Colour colour;
    PlaneEquation plane;
    int light;
    ShadowMatrix shadowMatrix;
    // With the light on or behind the plane, the receiver faces away from it and nothing
    // is flattened onto it; the no-light-side-check variant flattens onto it all the same.
    bool lightInFront;
    // The board, while it is shown, casts onto every receiver but itself.
    bool castsBoard;
};

ReceiverFacts receiverFacts(ReceiverLight which, const ProgramState& s);

// The casters flattened onto the receiver by `matrix` along the rays of the receiver's
// light, or nothing when that light cannot cast onto it.
PassRow flattenedRow(Pass pass, Draws draws, Colour colour, const ReceiverFacts& r,
                     const ShadowMatrix& matrix, bool lightInFront);

// ---- The steps ---------------------------------------------------------------------------

enum class StepDrawing {
    MarkReceiver,
    RemarkReceiver,
    ClearMarks,
    DarkenCleared,
    AddLight,
    LitReceiver,
    UnconfinedShadows,
    RestOfRoom,
};

// One kind of step, as a template every receiver's step of that kind follows.
struct PassStep {
    StepDrawing drawing;
    // Shown when the frame stops after this step: every pixel whose stencil value is 1,
    // and the flattened casters over the whole window, unconfined.
    bool showsMarks;
    bool showsFlattenedCasters;
    // The caption for the first receiver, and for each one after it, which says what the
    // receivers before it left. "{Receiver}" and "{receiver}" stand for the receiver's name,
    // "{previous}" for the one before it.
    const char* firstCaption;
    const char* laterCaption;
};

// A step of the frame: one of the templates, done on one receiver for one light.
struct LightStep {
    const PassStep* step;
    Receiver receiver;
    // Whether the receiver is the frame's first; if not, the one before it.
    bool first;
    Receiver previous;
    int light;
};

// Every step of the frame in order: each receiver in `receivers` and each light as
// eachReceiverEachLight gives them, light 1's steps from the stencilled or the naive
// templates, each other light's from the added lights'; last the rest of the room.
std::vector<LightStep> passSteps(bool stencilShadows, int lightCount, unsigned receivers);

// The step's rows, as the frame draws them.
void addStep(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s);

// In the stepping mode, the rows of every step up to the current one; returns the last.
LightStep addStepsSoFar(std::vector<PassRow>& rows, const std::vector<LightStep>& steps,
                        const ProgramState& s);

// What the stepping mode draws over the frame after the last step drawn.
void addOverlays(std::vector<PassRow>& rows, const LightStep& step, const ProgramState& s);

// A step in a few words, for a pixel's history.
std::string stepName(const LightStep& step, int lightCount);

// With several lights, what a light's own step or stage does, named with the light.
std::string named(const std::string& what, int light, int lightCount);

// The room's shell, the markers and the casters themselves: what completes every frame.
void addRestOfRoom(std::vector<PassRow>& rows, const ProgramState& s);

// Every light's marker, in its own colour; the sun's with its rays, and the selected one,
// once there are several, ringed.
void addLightMarkers(std::vector<PassRow>& rows, const ProgramState& s);

// ---- Soft shadows ----------------------------------------------------------------------

// Whether a receiver gets the soft pass: counting needs the stencil; from the centre alone,
// or with the light on or behind the plane (where every point of it is too), the hard pass
// draws the same. A variant of the pass shows its wrong choice in the hard pass's rows.
bool countsSoftly(const ProgramState& s, const ReceiverFacts& r);

// The soft pass for one receiver and one light, counted in the stencil.
void addSoftReceiver(std::vector<PassRow>& rows, const ReceiverFacts& r, const ProgramState& s);

// The stencil view's frame in place of the shadow view's (stencil_view.cpp).
std::vector<PassRow> stencilViewRows(const ProgramState& s);

// One receiver's pass for one light outside the stepping mode: the soft pass where it
// counts softly, else that light's hard steps on it. True for the soft pass.
bool addReceiverPass(std::vector<PassRow>& rows, ReceiverLight which,
                     const std::vector<LightStep>& steps, const ProgramState& s);
