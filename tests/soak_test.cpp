// Thousands of random real inputs into the real program, then a check that it still
// lives, still draws a correct frame, has not grown, and raised no GL error (the
// program under test is the build that aborts on one).
// gtest first: Xlib defines None, a name gtest uses.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "shadow/room.h"
#include "tests/x_driver.h"

namespace {

constexpr unsigned LEFT = 1;
constexpr unsigned MIDDLE = 2;
constexpr unsigned RIGHT = 3;
constexpr int EVENTS = 12000;

unsigned chooseSeed() {
    if (const char* given = std::getenv("SOAK_SEED")) {
        return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    }
    return std::random_device{}();
}

// Every key of the keyboard but Esc, f and the modifiers: a held Control could turn '[' into
// Esc, a lock key would change what later keys mean, and full screen moves the window from
// under the places where the menus are opened and closed (the end-to-end tests cover f).
std::vector<KeyCode> ordinaryKeys(Display* display) {
    std::vector<KeyCode> modifiers;
    XModifierKeymap* map = XGetModifierMapping(display);
    for (int i = 0; i < 8 * map->max_keypermod; ++i) {
        modifiers.push_back(map->modifiermap[i]);
    }
    XFreeModifiermap(map);
    int low, high;
    XDisplayKeycodes(display, &low, &high);
    std::vector<KeyCode> keys;
    for (int code = low; code <= high; ++code) {
        const KeyCode key = static_cast<KeyCode>(code);
        const KeySym plain = XkbKeycodeToKeysym(display, key, 0, 0);
        const KeySym shifted = XkbKeycodeToKeysym(display, key, 0, 1);
        const bool left = plain == XK_Escape || shifted == XK_Escape || plain == XK_f;
        if (!left && std::find(modifiers.begin(), modifiers.end(), key) == modifiers.end()) {
            keys.push_back(key);
        }
    }
    return keys;
}

class Soak {
  public:
    Soak(RunningProgram& program, unsigned seed)
        : program(program), random(seed), keys(ordinaryKeys(program.xDisplay())) {}

    // One random input; returns how many X events it sent.
    int step() {
        const int choice = pick(0, 999);
        if (choice < 350) {
            return movePointer();
        }
        if (choice < 550) {
            return pressOrReleaseButton();
        }
        if (choice < 950) {
            return typeKey();
        }
        if (choice < 990) {
            resizeAtRandom();
            return 0;
        }
        return openAndDismissMenu();
    }

    // Lets go of everything and puts the window, the teapot and the lights back as they
    // started: light 1 alone, a point light, selected; and the frame instead of the stencil
    // view.
    int settle() {
        int sent = releaseAll();
        program.resize(512, 512);
        for (; teapotSteps > 0; --teapotSteps, sent += 4) {
            program.type('T');
        }
        for (; teapotSteps < 0; ++teapotSteps, sent += 2) {
            program.type('t');
        }
        for (; lights > 1; --lights, sent += 4) {
            program.type('L');
        }
        program.type('1');
        sent += 2;
        if (sun[0]) {
            program.type('u');
            sent += 2;
        }
        selected = 0;
        sun[0] = false;
        if (stencilView) {
            program.type('v');
            stencilView = false;
            sent += 2;
        }
        EXPECT_TRUE(program.waitUntilIdle()) << "still busy after the inputs stopped";
        return sent;
    }

    // Every drawing state the lights make, met once before memory is first sampled: GL
    // lights a draw with code of its own for each set of lights and for each of them being
    // a point light or the sun, kept once made. So two, three and four lights, each in every
    // combination of point lights and suns, reached one light's switch at a time (a Gray
    // code) with each frame drawn, and back to no sun; and the board.
    void meetEveryLighting() {
        for (int count = 2; count <= MAX_LIGHTS; ++count) {
            program.type('l');
            for (int step = 1; step <= 1 << count; ++step) {
                // Each step flips its lowest bit that is set; after them all only the last
                // light is the sun, and the last step flips it back.
                int flipped = count - 1;
                if (step < 1 << count) {
                    for (flipped = 0; (step >> flipped & 1) == 0; ++flipped) {
                    }
                }
                const Picture before = settledPicture();
                program.type(static_cast<char>('1' + flipped));
                program.type('u');
                EXPECT_TRUE(
                    program.waitForFrame([&](const Picture& f) { return f.rgb != before.rgb; }));
            }
        }
        for (int count = MAX_LIGHTS; count > 1; --count) {
            program.type('L');
        }
        program.type('1');
        // The board's pass clips the casters flattened onto it at its plane, a state of its
        // own: met with light 1 a point light and the sun, then the board taken away again.
        for (const char key : {'k', 'u', 'u', 'k'}) {
            const Picture before = settledPicture();
            program.type(key);
            EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return f.rgb != before.rgb; }))
                << "no new picture after " << key;
        }
    }

    // The picture once the keys typed so far have all been drawn. A picture grabbed while
    // the program lags behind them (a loaded machine) can be the one the next key puts
    // back: 'u' twice drawn in one frame shows no change at all.
    Picture settledPicture() {
        EXPECT_TRUE(program.waitUntilIdle()) << "still busy before the next key";
        return program.grab();
    }

    int resizes = 0;
    int menus = 0;

  private:
    int pick(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    }

    // Mostly near the window, often far beyond it in any direction.
    int movePointer() {
        if (pick(0, 1) == 0) {
            program.movePointer(pick(-100, 612), pick(-100, 612));
        } else {
            program.movePointer(pick(-1450, 1950), pick(-1450, 1950));
        }
        return 1;
    }

    int pressOrReleaseButton() {
        const unsigned button = pick(0, 1) == 0 ? LEFT : MIDDLE;
        bool& held = button == LEFT ? leftHeld : middleHeld;
        int sent = 0;
        if (!held && button == LEFT && !shiftHeld && pick(0, 2) == 0) {
            program.pressKey(XK_Shift_L);
            shiftHeld = true;
            ++sent;
        }
        if (held) {
            program.releaseButton(button);
        } else {
            program.pressButton(button);
        }
        held = !held;
        ++sent;
        if (!leftHeld && !middleHeld && shiftHeld) {
            program.releaseKey(XK_Shift_L);
            shiftHeld = false;
            ++sent;
        }
        return sent;
    }

    int typeKey() {
        Display* display = program.xDisplay();
        const KeyCode key = keys[static_cast<size_t>(pick(0, static_cast<int>(keys.size()) - 1))];
        const bool shifted = shiftHeld || pick(0, 3) == 0;
        const KeySym typed = XkbKeycodeToKeysym(display, key, 0, shifted ? 1 : 0);
        teapotSteps += typed == XK_t ? 1 : typed == XK_T ? -1 : 0;
        trackLights(typed);
        stencilView = stencilView != (typed == XK_v || typed == XK_V);
        int sent = 2;
        if (shifted && !shiftHeld) {
            program.pressKey(XK_Shift_L);
            ++sent;
        }
        XTestFakeKeyEvent(display, key, True, CurrentTime);
        XTestFakeKeyEvent(display, key, False, CurrentTime);
        XSync(display, False);
        if (shifted && !shiftHeld) {
            program.releaseKey(XK_Shift_L);
            ++sent;
        }
        return sent;
    }

    // Down to 1 × 1 now and then; back to full size as often.
    void resizeAtRandom() {
        ++resizes;
        switch (pick(0, 3)) {
            case 0:
                program.resize(1, 1);
                break;
            case 1:
                program.resize(512, 512);
                break;
            default:
                program.resize(static_cast<unsigned>(pick(1, 700)),
                               static_cast<unsigned>(pick(1, 700)));
        }
    }

    // The menu opens under the pointer and spreads right and down. Letting go of the
    // button outside it leaves it open; a click up and to the left of it closes it
    // without a choice.
    int openAndDismissMenu() {
        int sent = releaseAll();
        const int x = pick(60, 450);
        const int y = pick(60, 450);
        program.movePointer(x, y);
        program.pressButton(RIGHT);
        RunningProgram::Area menu{};
        for (int tries = 0; tries < 50 && !program.findOpenMenu(menu); ++tries) {
            waitMilliseconds(10);
        }
        program.movePointer(x - 50, y - 50);
        program.releaseButton(RIGHT);
        sent += 3;
        for (int tries = 0; tries < 50 && program.findOpenMenu(menu); ++tries) {
            program.pressButton(LEFT);
            program.releaseButton(LEFT);
            sent += 2;
            waitMilliseconds(10);
        }
        ++menus;
        return sent;
    }

    // The lights as the keys change them, as the program does. The program refuses the sun
    // only at the room's very centre, which random input all but never hits.
    void trackLights(KeySym typed) {
        if (typed == XK_l && lights < MAX_LIGHTS) {
            sun[lights] = false;
            selected = lights++;
        } else if (typed == XK_L && lights > 1) {
            selected = std::min(selected, --lights - 1);
        } else if (typed >= XK_1 && typed <= XK_4 && static_cast<int>(typed - XK_1) < lights) {
            selected = static_cast<int>(typed - XK_1);
        } else if (typed == XK_u) {
            sun[selected] = !sun[selected];
        }
    }

    int releaseAll() {
        int sent = 0;
        if (leftHeld) {
            program.releaseButton(LEFT);
            leftHeld = false;
            ++sent;
        }
        if (middleHeld) {
            program.releaseButton(MIDDLE);
            middleHeld = false;
            ++sent;
        }
        if (shiftHeld) {
            program.releaseKey(XK_Shift_L);
            shiftHeld = false;
            ++sent;
        }
        return sent;
    }

    RunningProgram& program;
    std::mt19937 random;
    std::vector<KeyCode> keys;
    bool leftHeld = false;
    bool middleHeld = false;
    bool shiftHeld = false;
    int teapotSteps = 0;
    int lights = 1;
    int selected = 0;
    bool sun[MAX_LIGHTS] = {};
    bool stencilView = false;
};

TEST(Soak, RandomInputLeavesItAliveDrawingAndLean) {
    const unsigned seed = chooseSeed();
    std::printf("soak seed %u (replay with SOAK_SEED=%u)\n", seed, seed);
    // Window-sized buffers (a megabyte each at 512 × 512) would otherwise come from the
    // heap or from their own mapping depending on what was freed before, and resident
    // memory would jump by a megabyte either way with no leak at all.
    setenv("GLIBC_TUNABLES",
           "glibc.malloc.mmap_threshold=131072:glibc.malloc.trim_threshold=131072:"
           "glibc.malloc.arena_max=1",
           1);
    RunningProgram program({}, PLANAR_SHADOWS_GLCHECK_EXE);
    ASSERT_TRUE(program.hasWindow()) << program.errors();
    // The middle of a large screen, so the pointer can go far past every edge.
    program.placeWindow(1500, 1500);
    Soak soak(program, seed);
    soak.meetEveryLighting();

    // Resident memory is sampled at rest every thousand events after warm-up. Now and then
    // a sample still catches a passing buffer, so the samples are compared by their floors
    // over the run's first, middle and last thousands. A leak raises the floor in both
    // halves of the run. The first meeting with a drawing state can cost memory once, and
    // late: Mesa keeps the code it makes for each state (seen: 3.6 MB between the 2,000th and
    // the 3,000th event, flat after that; 1.3 MB between the 4,000th and the 5,000th; 2 MB
    // between the 11,000th and the 12,000th), which raises it in one half only. The warm-up
    // meets the states it can first, so such a cost is rare.
    constexpr int SAMPLE_EVERY = 1000;
    constexpr int WARM_UP = 6000;
    std::vector<long> samplesKiB;
    int events = 0;
    int nextSample = WARM_UP;
    while (events < EVENTS) {
        events += soak.step();
        if (events >= nextSample) {
            events += soak.settle();
            ASSERT_TRUE(program.running()) << "after " << events << " events\n" << program.errors();
            samplesKiB.push_back(program.residentKiB());
            nextSample += SAMPLE_EVERY;
        }
    }
    events += soak.settle();
    samplesKiB.push_back(program.residentKiB());
    ASSERT_TRUE(program.running()) << program.errors();

    // Eight samples: after 6,000 to 12,000 events, and at the end.
    ASSERT_EQ(samplesKiB.size(), 8u);
    const auto floorOf = [&](long from, long to) {
        return *std::min_element(samplesKiB.begin() + from, samplesKiB.begin() + to);
    };
    const long earlyKiB = floorOf(0, 3);
    const long middleKiB = floorOf(3, 5);
    const long lateKiB = floorOf(5, 8);
    std::printf("soak: %d events, %d resizes, %d menus; resident KiB at rest:", events,
                soak.resizes, soak.menus);
    for (long kiB : samplesKiB) {
        std::printf(" %ld", kiB);
    }
    std::printf("; floors %+ld then %+ld KiB\n", middleKiB - earlyKiB, lateKiB - middleKiB);
#if defined(__SANITIZE_ADDRESS__)
    std::printf("memory bound not checked: AddressSanitizer holds freed memory back\n");
#else
    EXPECT_FALSE(middleKiB - earlyKiB >= 512 && lateKiB - middleKiB >= 512)
        << "resident memory grew in both halves of the run";
#endif
    RunningProgram::Area menu{};
    EXPECT_FALSE(program.findOpenMenu(menu));

    // Still answers: a middle press sets the light's depth, a left press at the centre puts
    // it on the room's axis, and 'b' shows the right frame for that light.
    for (unsigned button : {MIDDLE, LEFT}) {
        program.movePointer(256, 384);
        program.pressButton(button);
        program.releaseButton(button);
        program.movePointer(256, 256);
    }
    program.pressButton(LEFT);
    program.releaseButton(LEFT);
    program.type('b');
    const Vec3 light = {0, 0, -370};
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        return f.width == 512 && f.height == 512 && markerAt(f, light) && shadowViewFor(f, light);
    })) << program.errors();
    EXPECT_EQ(program.errors().find("GL error"), std::string::npos) << program.errors();
}

}  // namespace
