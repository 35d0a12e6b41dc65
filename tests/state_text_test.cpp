// The state text a link holds: written short, read back to the very same state, and any
// text at all read without a crash into a state within the snapshot tool's ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "state/shadow_pass.h"
#include "state/state_text.h"

namespace {

LinkState read(const std::string& text, std::vector<std::string>* unread = nullptr) {
    LinkState link;
    const std::vector<std::string> parts = readStateText(text, link);
    if (unread != nullptr) {
        *unread = parts;
    }
    return link;
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// == treats 0 and -0 alike; a round trip keeps the sign too.
void expectSameBits(const LinkState& a, const LinkState& b, const std::string& text) {
    EXPECT_TRUE(a == b) << text;
    for (int i = 0; i < a.lightCount; ++i) {
        EXPECT_TRUE(sameBits(a.lights[i].x, b.lights[i].x) &&
                    sameBits(a.lights[i].y, b.lights[i].y) &&
                    sameBits(a.lights[i].z, b.lights[i].z))
            << text;
    }
    EXPECT_TRUE(sameBits(a.teapotOffset, b.teapotOffset) && sameBits(a.lightRadius, b.lightRadius))
        << text;
}

// Every value within what the snapshot tool's options accept.
void expectWithinRange(const LinkState& link, const std::string& text) {
    ASSERT_GE(link.lightCount, 1) << text;
    ASSERT_LE(link.lightCount, MAX_LIGHTS) << text;
    for (int i = 0; i < link.lightCount; ++i) {
        const LightPosition& at = link.lights[i];
        EXPECT_TRUE(std::fabs(at.x) <= MAX_COORDINATE && std::fabs(at.y) <= MAX_COORDINATE &&
                    std::fabs(at.z) <= MAX_COORDINATE)
            << text;
        EXPECT_TRUE(at.w == 1 || (at.w == 0 && (at.x != 0 || at.y != 0 || at.z != -420))) << text;
    }
    EXPECT_TRUE(link.selectedLight >= 0 && link.selectedLight < link.lightCount) << text;
    EXPECT_LE(std::fabs(link.teapotOffset), MAX_COORDINATE) << text;
    EXPECT_TRUE(link.lightRadius >= 0 && link.lightRadius <= MAX_LIGHT_RADIUS) << text;
    EXPECT_TRUE(link.step >= 0 &&
                link.step <= passStepCount(!link.noStencil, link.lightCount, linkReceivers(link)))
        << text;
}

TEST(StateText, WritesOnlyWhatDiffersFromTheStartInShortReadableNumbers) {
    EXPECT_EQ(writeStateText(LinkState()), "");

    LinkState link;
    link.lights[0] = {-40, 80, -450, 1};
    link.step = 3;
    EXPECT_EQ(writeStateText(link), "light=-40,80,-450&step=3");

    link.lights[1] = {0.1f, 1e-5f, 1e6f, 0};
    link.lightCount = 2;
    link.selectedLight = 0;
    link.teapotOffset = -15;
    link.translucent = link.noStencil = link.soft = link.showStencil = true;
    link.lightRadius = 7.5f;
    EXPECT_EQ(writeStateText(link),
              "light=-40,80,-450&light=0.1,1e-05,1000000,0&select=1&teapot-offset=-15&translucent&"
              "no-stencil&step=3&soft&light-radius=7.5&show-stencil");
}

// Random states, their coordinates anything from a denormal to the largest allowed, -0
// included: the text reads back to the same bits, and the same text.
TEST(StateText, EveryStateReadsBackExactly) {
    std::mt19937 random(25);
    const auto number = [&random](float largest) {
        switch (random() % 4) {
            case 0:
                return std::round(std::uniform_real_distribution<float>(-largest, largest)(random));
            case 1:
                return std::uniform_real_distribution<float>(-largest, largest)(random);
            case 2: {
                float bits = 0;
                const uint32_t pattern = static_cast<uint32_t>(random());
                std::memcpy(&bits, &pattern, sizeof bits);
                return std::isfinite(bits) && std::fabs(bits) <= largest ? bits : -0.0f;
            }
            default:
                return std::ldexp(std::uniform_real_distribution<float>(-1, 1)(random),
                                  -static_cast<int>(random() % 140));
        }
    };
    for (int trial = 0; trial < 5000; ++trial) {
        LinkState link;
        link.lightCount = 1 + static_cast<int>(random() % MAX_LIGHTS);
        for (int i = 0; i < link.lightCount; ++i) {
            link.lights[i] = {number(MAX_COORDINATE), number(MAX_COORDINATE),
                              number(MAX_COORDINATE), random() % 3 == 0 ? 0.0f : 1.0f};
        }
        link.selectedLight = static_cast<int>(random() % link.lightCount);
        // Every switch and number the table has, so a new one is covered as it comes.
        for (const Setting& setting : settings()) {
            if (setting.kind == SettingKind::SWITCH) {
                link.*setting.flag = random() % 2;
            } else if (setting.kind == SettingKind::NUMBER) {
                const float value = number(setting.most);
                link.*setting.number = setting.least < 0 ? value : std::fabs(value);
            } else if (setting.kind == SettingKind::WHOLE) {
                link.*setting.whole = std::uniform_int_distribution<int>(
                    static_cast<int>(setting.least), static_cast<int>(setting.most))(random);
            }
        }
        const int steps = passStepCount(!link.noStencil, link.lightCount, linkReceivers(link));
        link.step = static_cast<int>(random() % (steps + 1));
        const std::string text = writeStateText(link);
        std::vector<std::string> unread;
        const LinkState back = read(text, &unread);
        EXPECT_TRUE(unread.empty()) << text;
        expectSameBits(back, link, text);
        EXPECT_EQ(writeStateText(back), text);
    }
}

// A page is forgiving: each part it cannot read is named and passed over, the rest applies.
TEST(StateText, WhatCannotBeReadIsNamedAndTheRestApplies) {
    std::vector<std::string> unread;
    const LinkState link = read(
        "#light=1,2&teapot-offset=15&frobnicate&step=99&select=3&translucent=yes&"
        "light=0,0,-420,0&light-radius=20.5&teapot-offset=1e7&&embed&soft&light=1%2C2%2C3",
        &unread);
    EXPECT_EQ(
        unread,
        (std::vector<std::string>{
            "'light=1,2': not X,Y,Z or X,Y,Z,W, each coordinate from -1e6 to 1e6 and W 0 or 1",
            "'frobnicate': no such setting", "'translucent=yes': translucent takes no value",
            "'light=0,0,-420,0': the sun cannot stand at the room's centre, 0,0,-420: it "
            "would shine from no direction",
            "'light-radius=20.5': not a number from 0 to 20",
            "'teapot-offset=1e7': not a number from -1e6 to 1e6",
            "'select=3': the lights go from 1 to 1", "'step=99': the steps go from 1 to 7"}));
    LinkState expected;
    expected.lights[0] = {1, 2, 3, 1};
    expected.teapotOffset = 15;
    expected.soft = true;
    EXPECT_TRUE(link == expected) << writeStateText(link);

    read("light=1,2,3&light=4,5,6&light=7,8,9&light=1,1,1&light=2,2,2&step=99", &unread);
    EXPECT_EQ(unread,
              (std::vector<std::string>{"'light=2,2,2': at most four lights",
                                        "'step=99': the steps go from 1 to 25 with 4 lights"}));
}

// A refusal is one line of the page's status line or of the snapshot tool's error, so a
// control character decoded from a part, a newline from %0A, is named escaped again.
TEST(StateText, APartIsNamedOnOneLine) {
    std::vector<std::string> unread;
    read("soft&a%0Ab&light=1%092,3&select=%0D", &unread);
    EXPECT_EQ(unread, (std::vector<std::string>{
                          "'a%0Ab': no such setting",
                          "'light=1%092,3': not X,Y,Z or X,Y,Z,W, each coordinate from -1e6 to "
                          "1e6 and W 0 or 1",
                          "'select=%0D': not a whole number from 1 to 999"}));
}

// Random strings, and links cut short or changed a character at a time, as mail clients and
// hands do: never a crash, and whatever is read stays within range and reads back the same.
TEST(StateText, AnyTextReadsIntoAStateWithinRange) {
    std::mt19937 random(2026);
    const std::string alphabet =
        "light=select&teapot-offset,step soft translucent no-stencil "
        "show-stencil radius embed#%0123456789.-+eEinfa,\xff";
    const std::string whole =
        "#light=-40,80,-450&light=1e6,-1e6,0.5,0&light=3,4,5&select=2&teapot-offset=-15&"
        "translucent&no-stencil&step=13&soft&light-radius=12.5&show-stencil";
    for (int trial = 0; trial < 6000; ++trial) {
        std::string text;
        if (trial % 2 == 0) {
            const size_t length = random() % 120;
            for (size_t i = 0; i < length; ++i) {
                text += alphabet[random() % alphabet.size()];
            }
        } else {
            text = whole.substr(0, random() % (whole.size() + 1));
            for (int change = static_cast<int>(random() % 4); change > 0 && !text.empty();
                 --change) {
                text[random() % text.size()] = alphabet[random() % alphabet.size()];
            }
        }
        const LinkState link = read(text);
        expectWithinRange(link, text);
        const std::string written = writeStateText(link);
        std::vector<std::string> unread;
        EXPECT_TRUE(read(written, &unread) == link && unread.empty()) << text << " -> " << written;
    }
}

}  // namespace

// A recorded path goes into a link and comes back to the sixteenth of a unit, within the
// page's 4,096 characters even at its longest with every jump as far as it can be; a path
// too long, cut short, out of range or taking the sun to the room's centre is refused, and
// the rest of the link applies.
TEST(StateText, APathTravelsInALinkAndABadOneIsRefused) {
    LinkState link;
    for (int i = 0; i < MAX_PATH_POSITIONS; ++i) {
        const float far = i % 2 == 0 ? MAX_COORDINATE : -MAX_COORDINATE;
        link.path.push_back(i < 100
                                ? onPathGrid({-40.0f + 0.37f * float(i), 80.0f - 2.9f * float(i),
                                              -450.0f + 0.0625f * float(i)})
                                : Point3{far, -far, far});
    }
    link.lightCount = MAX_LIGHTS;
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        link.lights[i] = {-123456.789f, 98765.4321f, -0.000123f, 0};
    }
    link.teapotOffset = -999999.9f;
    link.step = 9;
    const std::string text = writeStateText(link);
    EXPECT_LE(text.size(), 4096u);
    std::vector<std::string> unread;
    EXPECT_TRUE(read(text, &unread) == link) << text;
    EXPECT_TRUE(unread.empty()) << unread.front();

    const std::vector<Point3> tooLong(MAX_PATH_POSITIONS + 1, Point3{1, 2, 3});
    const std::string toCentre = writePathText({{0, 0, -400}, {0, 0, -420}});
    const std::pair<std::string, std::string> refused[] = {
        {writePathText(tooLong), "a path holds at most 200 positions, 20 seconds"},
        {"AB", "a path's text ends in the middle of a position"},
        {"A$AA", "a path is written in base64url, A-Z, a-z, 0-9, - and _"},
        {writePathText({{0, 0, MAX_COORDINATE + PATH_GRID}}),
         "a path's coordinates go from -1e6 to 1e6"},
        {"", "a path holds at least one position"},
        {toCentre + "&light=0,0,-400,0",
         "the path takes the sun to the room's centre, 0,0,-420, where it would shine from no "
         "direction"}};
    for (const auto& [path, why] : refused) {
        const LinkState rest = read("path=" + path + "&teapot-offset=15", &unread);
        const std::string part = path.substr(0, path.find('&'));
        EXPECT_EQ(unread, std::vector<std::string>{"'path=" + part + "': " + why});
        EXPECT_TRUE(rest.path.empty() && rest.teapotOffset == 15) << path;
    }
}
