// What every state read from outside text must be, whichever reader read it: each value
// within its setting's range, and a state that writes and reads back as itself. A
// violation aborts, so that the fuzzer keeps the input that made it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "state/shadow_pass.h"
#include "state/state_text.h"

inline void require(bool holds, const char* what, const std::string& about) {
    if (!holds) {
        std::fprintf(stderr, "%s: %s\n", what, about.c_str());
        std::abort();
    }
}

inline bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline void requireWithinRange(const LinkState& link) {
    const std::string text = writeStateText(link);
    require(link.lightCount >= 1 && link.lightCount <= MAX_LIGHTS, "light count", text);
    for (int i = 0; i < link.lightCount; ++i) {
        const LightPosition& at = link.lights[i];
        for (const float coordinate : {at.x, at.y, at.z}) {
            require(coordinate >= -MAX_COORDINATE && coordinate <= MAX_COORDINATE,
                    "light coordinate", text);
        }
        require(at.w == 1 || (at.w == 0 && canBeTheSun(at)), "light's w", text);
    }
    require(link.selectedLight >= 0 && link.selectedLight < link.lightCount, "selected light",
            text);
    require(link.step >= 0 && link.step <= passStepCount(linkStencilled(link), link.lightCount,
                                                         linkReceivers(link)),
            "step", text);
    require(link.receivers != 0 && (link.receivers & receiverBit(Receiver::Board)) == 0 &&
                link.receivers < receiverBit(Receiver::Board),
            "receivers", text);
    require(!link.board || boardFits(link.boardPlace), "board", text);
    require(link.path.size() <= size_t(MAX_PATH_POSITIONS), "path's length", text);
    const bool sun = link.lights[link.selectedLight].w == 0;
    for (const Point3& at : link.path) {
        for (const float coordinate : {at.x, at.y, at.z}) {
            require(coordinate >= -MAX_COORDINATE && coordinate <= MAX_COORDINATE,
                    "path's coordinate", text);
        }
        require(!sun || canBeTheSun({at.x, at.y, at.z, 1}), "path of the sun", text);
    }
    for (const Setting& setting : settings()) {
        if (setting.kind == SettingKind::NUMBER) {
            const float number = link.*setting.number;
            require(number >= setting.least && number <= setting.most, setting.key, text);
        } else if (setting.kind == SettingKind::WHOLE) {
            const int number = link.*setting.whole;
            require(number >= setting.least && number <= setting.most, setting.key, text);
        }
    }
}

// The same state to the bit, -0 apart from 0: == cannot tell them apart.
inline bool sameState(const LinkState& a, const LinkState& b) {
    if (!(a == b)) {
        return false;
    }
    for (int i = 0; i < a.lightCount; ++i) {
        if (!sameBits(a.lights[i].x, b.lights[i].x) || !sameBits(a.lights[i].y, b.lights[i].y) ||
            !sameBits(a.lights[i].z, b.lights[i].z)) {
            return false;
        }
    }
    for (const Setting& setting : settings()) {
        if (setting.kind == SettingKind::NUMBER &&
            !sameBits(a.*setting.number, b.*setting.number)) {
            return false;
        }
    }
    return true;
}

inline void requireReadsBack(const LinkState& link) {
    const std::string text = writeStateText(link);
    LinkState back;
    const std::vector<std::string> unread = readStateText(text, back);
    require(unread.empty(), "what was written does not read back", text);
    require(sameState(back, link), "what was written reads back as another state", text);
    require(writeStateText(back) == text, "what was read back is written otherwise", text);
}
