// Every frame as rows: the shadow view, whole or up to a step, and the plain view.
#include <utility>

#include "state/pass_rows.h"
#include "state/shadow_pass.h"

void addLightMarkers(std::vector<PassRow>& rows, const ProgramState& s) {
    for (int light = 0; light < s.lightCount; ++light) {
        const Colour colour = LIGHT_DESIGNS[light].markerColour;
        std::vector<PassRow> marker = {row(PLAIN_UNLIT, Draws::LightMarker, colour)};
        if (s.lights[light].sun) {
            marker.push_back(row(PLAIN_UNLIT, Draws::SunRays, colour));
        }
        if (s.lightCount > 1 && light == s.selectedLight) {
            marker.push_back(row(PLAIN_UNLIT, Draws::SelectionRing, SELECTION_RING_COLOUR));
        }
        for (PassRow& part : marker) {
            part.light = light;
            rows.push_back(part);
        }
    }
}

// The faces of the room that take no shadows: the shell in one draw while none of its faces
// receives, as it always was drawn; else each face left on its own, since a receiving one
// has been drawn by its pass.
void addRoomShell(std::vector<PassRow>& rows, const ProgramState& s) {
    constexpr std::pair<Receiver, Draws> SHELL_FACES[] = {{Receiver::RightWall, Draws::RightWall},
                                                          {Receiver::Ceiling, Draws::Ceiling},
                                                          {Receiver::BackWall, Draws::BackWall}};
    unsigned shell = 0;
    for (const auto& [receiver, draws] : SHELL_FACES) {
        shell |= receiverBit(receiver);
    }
    if ((s.receivers & shell) == 0) {
        rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::RoomShell, WALL_COLOUR), s));
        return;
    }
    for (const auto& [receiver, draws] : SHELL_FACES) {
        if ((s.receivers & receiverBit(receiver)) == 0) {
            rows.push_back(litByEveryLight(row(PLAIN_LIT, draws, WALL_COLOUR), s));
        }
    }
}

void addRestOfRoom(std::vector<PassRow>& rows, const ProgramState& s) {
    addRoomShell(rows, s);
    addLightMarkers(rows, s);
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Teapot, teapotColour(s.tintLevel)), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Cone, CONE_COLOUR), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Sphere, sphereColour(s.tintLevel)), s));
}

std::vector<PassRow> shadowViewRows(const ProgramState& s) {
    if (s.showStencil) {
        return stencilViewRows(s);
    }
    std::vector<PassRow> rows = {clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL)};
    const std::vector<LightStep> steps = passSteps(stencilled(s), s.lightCount, receiving(s));
    // The stepping mode shows the hard pass's steps, soft shadows or not.
    if (s.steppingPasses) {
        addOverlays(rows, addStepsSoFar(rows, steps, s), s);
        return rows;
    }
    for (const ReceiverLight& which : eachReceiverEachLight(receiving(s), s.lightCount)) {
        addReceiverPass(rows, which, steps, s);
    }
    addRestOfRoom(rows, s);
    return rows;
}

std::vector<PassRow> plainViewRows(const ProgramState& s) {
    std::vector<PassRow> rows = {
        clearRow(CLEAR_COLOUR | CLEAR_DEPTH | CLEAR_STENCIL),
        litByEveryLight(row(PLAIN_LIT, Draws::Cone, PLAIN_FIRST_COLOUR), s),
        litByEveryLight(row(PLAIN_LIT, Draws::Sphere, PLAIN_FIRST_COLOUR), s),
    };
    addLightMarkers(rows, s);
    // At exactly the depth of the first drawing these fail GL_LESS: cone and sphere stay
    // white.
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Cone, PLAIN_CONE_COLOUR), s));
    rows.push_back(litByEveryLight(row(PLAIN_LIT, Draws::Sphere, PLAIN_SPHERE_COLOUR), s));
    return rows;
}

Frame frameOf(const ProgramState& s, std::vector<PassRow> rows) {
    Frame frame = {std::move(rows),
                   s.windowWidth,
                   s.windowHeight,
                   VIEW_FRUSTUM,
                   {},
                   s.lightCount,
                   s.softShadows,
                   lightMarkerRadius(s) / static_cast<float>(LIGHT_MARKER_RADIUS),
                   s.teapotOffsetX,
                   s.doubleBuffered != 0,
                   s.board};
    for (int i = 0; i < s.lightCount; ++i) {
        frame.lights[i] = {s.lights[i].shinesFrom, LIGHT_DESIGNS[i].colour,
                           lightMarkerCentre(s.lights[i])};
    }
    return frame;
}

Frame shadowViewFrame(const ProgramState& s) {
    Frame frame = frameOf(s, shadowViewRows(s));
    frame.batch = averagedBatch(s);
    if (frame.batch >= 0) {
        // The average of every point so far: this batch weighs as many points as it has.
        frame.batchShare =
            static_cast<float>(s.lightSamples) / (s.firstLightSample + s.lightSamples);
    }
    return frame;
}

Frame plainViewFrame(const ProgramState& s) {
    return frameOf(s, plainViewRows(s));
}
