#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "tests/png_frame.h"
#include "tests/x_driver.h"

namespace {

constexpr unsigned LEFT = 1;
constexpr unsigned MIDDLE = 2;
constexpr unsigned RIGHT = 3;

bool sameFrame(const Picture& a, const Picture& b) {
    return a.width == b.width && a.height == b.height && a.rgb == b.rgb;
}

// What the light ends up at for a press at window pixel (x, y) in a 512 × 512 window.
Vec3 lightForPress(int x, int y, double z) {
    return {(x - 512) * 200.0 / 512 + 100, (512 - y) * 200.0 / 512 - 100, z};
}

// A window pixel from the top left, as X and the handlers count it.
void click(RunningProgram& program, int x, int y, unsigned button) {
    program.movePointer(x, y);
    program.pressButton(button);
    program.releaseButton(button);
}

// The snapshot tool's picture of a state, with the tint at rest, and what it printed.
Picture snapshotAtRest(std::vector<std::string> options, std::string* printed = nullptr) {
    char path[] = "/tmp/end-to-end-test-XXXXXX.png";
    const int file = mkstemps(path, 4);
    if (file >= 0) {
        close(file);
    }
    options.insert(options.end(), {"--tint", "0.99997318", "-o", path});
    RunningProgram tool(options, PLANAR_SHADOWS_SNAPSHOT_EXE);
    EXPECT_EQ(tool.waitForExit(30), 0) << tool.errors();
    if (printed != nullptr) {
        *printed = tool.output();
    }
    Picture frame;
    EXPECT_TRUE(readPng(path, frame));
    std::remove(path);
    return frame;
}

// The window and the snapshot tool's offscreen target round a few pixels the other way.
bool closeTo(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
        return false;
    }
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        if (std::abs(a.rgb[i] - b.rgb[i]) > 1) {
            return false;
        }
    }
    return true;
}

// Left alone, the tint climbs for a few thousand idle calls and then rests; frames
// drawn before that differ in the teapot's red and the sphere's blue. The tint shows only
// in a frame something else causes, so the frame on screen at rest is still the first one,
// and 'b' brings the rested colours. On a loaded machine a quiet half second can come
// before the rest, so 'b' is typed again until the frame is the snapshot tool's start
// frame with the tint at rest.
Picture restedFrame(RunningProgram& program) {
    EXPECT_TRUE(program.waitUntilIdle()) << "the tint never came to rest";
    const Picture rested = snapshotAtRest({});
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        if (closeTo(f, rested)) {
            return true;
        }
        program.type('b');
        return false;
    }));
    return program.grab();
}

// The items, stacked: the teapot's two, "Quit (Esc)", then the switches of how the frame
// is drawn, and while a mode is on, its items (`items` in all). Opens the menu with the
// right button and chooses one.
void chooseMenuItem(RunningProgram& program, int item, int items = MENU_ITEM_COUNT) {
    click(program, 100, 100, RIGHT);
    RunningProgram::Area menu{};
    for (int tries = 0; tries < 100 && !program.findOpenMenu(menu); ++tries) {
        waitMilliseconds(20);
    }
    ASSERT_GT(menu.height, 0) << "the right button opened no menu";
    click(program, menu.x + menu.width / 2, menu.y + menu.height * (2 * item + 1) / (2 * items),
          LEFT);
}

// The share of one core the program uses over 5 s once it has come to rest, still running;
// `what` names the rest in the report.
double cpuShareAtRest(RunningProgram& program, const char* what) {
    constexpr double seconds = 5;
    const double before = program.cpuSeconds();
    waitMilliseconds(static_cast<int>(seconds * 1000));
    const double share = (program.cpuSeconds() - before) / seconds;
    EXPECT_TRUE(program.running()) << program.errors();
    std::printf("%s: %.2f %% of one core over %.0f s\n", what, 100 * share, seconds);
    return share;
}

TEST(EndToEnd, LeftPressAndDragMoveTheLightAndItsShadows) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const Vec3 sphereShadow = throughLight(startLight, sphereCentre, 1, -100);
    ASSERT_TRUE(program.waitForFrame([&](const Picture& f) {
        return markerAt(f, startLight) && isBlack(pixelAt(f, sphereShadow)) &&
               shadowViewFor(f, startLight);
    }));

    // A press at the centre brings the light to the room's axis, on the open front.
    click(program, 256, 256, LEFT);
    const Vec3 centred = {0, 0, -320};
    ASSERT_TRUE(program.waitForFrame(
        [&](const Picture& f) { return markerAt(f, centred) && shadowViewFor(f, centred); }));
    // The sphere's shadow has left the floor: its old centre shows the cyan floor now.
    EXPECT_TRUE(isLitCyan(pixelAt(program.grab(), sphereShadow)));

    // A drag carries the light with the pointer; the sphere's shadow goes with it.
    program.movePointer(100, 100);
    program.pressButton(LEFT);
    program.movePointer(200, 150);
    program.movePointer(358, 192);
    program.releaseButton(LEFT);
    const Vec3 dragged = lightForPress(358, 192, -320);
    const Vec3 newShadow = throughLight(dragged, sphereCentre, 1, -100);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        return markerAt(f, dragged) && isBlack(pixelAt(f, newShadow)) && shadowViewFor(f, dragged);
    }));
}

TEST(EndToEnd, MiddleButtonAndShiftLeftMoveTheLightInDepth) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    program.pressKey(XK_Shift_L);
    click(program, 40, 256, LEFT);
    program.releaseKey(XK_Shift_L);
    EXPECT_TRUE(program.waitForFrame([](const Picture& f) { return markerAt(f, {50, 50, -420}); }));

    click(program, 500, 128, MIDDLE);
    EXPECT_TRUE(program.waitForFrame([](const Picture& f) { return markerAt(f, {50, 50, -470}); }));
}

// Two steps left, one up, one towards the back wall: the light moves a tenth of the
// room's width a step, as a drag would move it.
TEST(EndToEnd, ArrowKeysAndPageUpMoveTheLight) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    restedFrame(program);
    for (const KeySym key : {XK_Left, XK_Left, XK_Up, XK_Page_Up}) {
        program.tapKey(key);
    }
    const Picture expected = snapshotAtRest({"--light", "30,60,-330"});
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return closeTo(f, expected); }));
}

TEST(EndToEnd, TeapotKeysMoveItAndBringBackTheSameFrame) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const Picture rested = restedFrame(program);
    ASSERT_TRUE(shadowViewFor(rested, startLight));

    program.type('t');
    program.type('t');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return !sameFrame(f, rested); }));
    program.type('T');
    program.type('T');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));
}

TEST(EndToEnd, PlainViewOnNAndShadowsBackOnB) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const Picture rested = restedFrame(program);
    const Vec3 floorPoint = {-80, -100, -400};
    ASSERT_TRUE(isLitCyan(pixelAt(rested, floorPoint)));

    program.type('n');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        return isBlack(pixelAt(f, floorPoint)) && isLitWhite(pixelAt(f, {60, -50, -340}));
    }));
    program.type('b');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));
}

// The right button opens the menu instead of moving the light; its items act like keys.
TEST(EndToEnd, MenuItemsActLikeTheirKeys) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const Picture rested = restedFrame(program);
    program.type('t');
    ASSERT_TRUE(program.waitForFrame([&](const Picture& f) { return !sameFrame(f, rested); }));
    const Picture movedRight = program.grab();
    program.type('T');
    ASSERT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));

    const auto chooseItem = [&](int item) { chooseMenuItem(program, item); };
    chooseItem(0);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, movedRight); }));
    chooseItem(1);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));

    // Translucent shadows, then opaque ones again: the sphere's shadow turns from black to
    // a darker cyan, and back.
    const Vec3 sphereShadow = throughLight(startLight, sphereCentre, 1, -100);
    chooseItem(3);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        const Pixel px = pixelAt(f, sphereShadow);
        return px.r == 0 && px.g > 20 && px.g < 128 && px.g == px.b;
    }));
    chooseItem(3);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));

    // Stepping through the drawing: the first step draws the floor alone, the caption goes
    // into the title, ']' goes on to the last step, the whole frame, and 'b' ends the mode.
    const auto titled = [&](const std::string& start) {
        for (int tries = 0; tries < 250 && program.title().rfind(start, 0) != 0; ++tries) {
            waitMilliseconds(20);
        }
        return program.title().rfind(start, 0) == 0;
    };
    chooseItem(5);
    EXPECT_TRUE(titled("Step 1 of 7: Floor: drawn lit")) << program.title();
    EXPECT_TRUE(program.waitForFrame(
        [&](const Picture& f) { return isBlack(pixelAt(f, onBackWall(0, 0.5))); }));
    for (int step = 2; step <= 8; ++step) {
        program.type(']');
    }
    EXPECT_TRUE(titled("Step 7 of 7: The rest of the room")) << program.title();
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));
    program.type('b');
    EXPECT_TRUE(titled("moving shadows, hit 't' and 'T'")) << program.title();
    chooseItem(2);
    EXPECT_EQ(program.waitForExit(10), 0);

    // Each step shown printed its caption and its GL state once, as the snapshot tool prints
    // them; the ']' pressed at the last step printed nothing more.
    std::string expected;
    for (int step = 1; step <= 7; ++step) {
        std::string printed;
        snapshotAtRest({"--step", std::to_string(step)}, &printed);
        expected += "Step " + std::to_string(step) + " of 7: " + printed;
    }
    EXPECT_EQ(program.output(), expected);
}

// Keys still reach the program while its menu is open, and 'k' brings the board and its
// four items. GLUT allows no change to an open menu, and freeglut ends the program at one:
// the change waits for the menu to close, and the menu shows it when opened again. A press
// of the right button held while the pointer leaves the menu keeps it open; a click above
// and to the left of it closes it without a choice.
TEST(EndToEnd, AKeyTypedWhileTheMenuIsOpenChangesTheMenuOnceItHasClosed) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const auto openMenu = [&] {
        program.movePointer(400, 400);
        program.pressButton(RIGHT);
        RunningProgram::Area menu{};
        for (int tries = 0; tries < 250 && !program.findOpenMenu(menu); ++tries) {
            waitMilliseconds(20);
        }
        program.movePointer(350, 350);
        program.releaseButton(RIGHT);
        return menu;
    };
    const auto closeMenu = [&] {
        RunningProgram::Area menu{};
        for (int tries = 0; tries < 250 && program.findOpenMenu(menu); ++tries) {
            click(program, 350, 350, LEFT);
            waitMilliseconds(20);
        }
        return !program.findOpenMenu(menu);
    };
    // At rest, so that only the board changes the picture.
    restedFrame(program);
    const RunningProgram::Area before = openMenu();
    ASSERT_GT(before.height, 0) << "the right button opened no menu";
    const Picture withoutBoard = program.grab();
    program.type('k');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return !sameFrame(f, withoutBoard); }))
        << "the board never came";
    ASSERT_TRUE(program.running()) << program.errors();
    ASSERT_TRUE(closeMenu());

    int height = before.height;
    for (int tries = 0; tries < 50 && height == before.height; ++tries) {
        height = openMenu().height;
        ASSERT_TRUE(closeMenu());
    }
    EXPECT_GT(height, before.height) << "the menu never showed the board's items";
    EXPECT_TRUE(program.running()) << program.errors();
}

// 'v' shows the stencil view and prints its legend; the pointer resting on a pixel with no
// button held prints that pixel's history, as the snapshot tool prints it; while stepping,
// the menu has the next step too, and the view follows the step.
TEST(EndToEnd, TheStencilViewAndAPixelsHistoryWhereThePointerRests) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    restedFrame(program);
    program.type('v');
    std::string legend;
    const Picture view = snapshotAtRest({"--show-stencil"}, &legend);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return closeTo(f, view); }));
    EXPECT_TRUE(program.waitForOutput("Stencil view:\n" + legend));
    for (const auto& [x, y] : {std::pair{396, 471}, std::pair{30, 440}}) {
        std::string history;
        snapshotAtRest({"--pixel", std::to_string(x) + "," + std::to_string(y)}, &history);
        program.movePointer(x, y);
        EXPECT_TRUE(program.waitForOutput(history)) << history << "\nnot in\n" << program.output();
    }
    chooseMenuItem(program, 5);
    for (int tries = 0; tries < 250 && program.title().rfind("Step 1 of 7", 0) != 0; ++tries) {
        waitMilliseconds(20);
    }
    chooseMenuItem(program, MENU_ITEM_COUNT, MENU_ITEM_COUNT + 2);
    const Picture secondStep = snapshotAtRest({"--show-stencil", "--step", "2"});
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return closeTo(f, secondStep); }))
        << program.title() << program.errors();
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
}

// Lights with real keys: 'l' adds one and 'u' makes it the sun, the snapshot tool's picture
// of the same lights; 'L' takes it away again, back to the very frame of one light; a fifth
// light is refused in the title, and the frame of four stays.
TEST(EndToEnd, LightsComeAndGoAndTheTitleSaysWhatCannotBe) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    const Picture rested = restedFrame(program);
    program.type('l');
    program.type('u');
    const Picture withSun = snapshotAtRest({"--light", "50,50,-320", "--light", "-30,80,-340,0"});
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return closeTo(f, withSun); }));
    program.type('L');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return sameFrame(f, rested); }));

    for (int light = 0; light < 4; ++light) {
        program.type('l');
    }
    const Picture four = snapshotAtRest({"--light", "50,50,-320", "--light", "-30,80,-340",
                                         "--light", "20,60,-500", "--light", "90,0,-420"});
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return closeTo(f, four); }));
    const std::string refusal = "There are four lights already";
    for (int tries = 0; tries < 250 && program.title().rfind(refusal, 0) != 0; ++tries) {
        waitMilliseconds(20);
    }
    EXPECT_EQ(program.title().rfind(refusal, 0), 0u) << program.title();
    EXPECT_TRUE(closeTo(program.grab(), four));
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
}

TEST(EndToEnd, EscapeExitsWithStatusZero) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
    EXPECT_EQ(program.output(), "");
}

// 'f' fills the screen with the window; in full screen Esc only leaves it, back to the
// window's size, and the next Esc ends the program.
TEST(EndToEnd, FullScreenOnFAndEscapeLeavesItBeforeQuitting) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    Display* display = program.xDisplay();
    const int screenWidth = DisplayWidth(display, DefaultScreen(display));
    program.type('f');
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) { return f.width == screenWidth; }))
        << "the window never filled the " << screenWidth << " pixels wide screen";
    program.tapKey(XK_Escape);
    EXPECT_TRUE(program.waitForFrame([](const Picture& f) {
        return f.width == 512 && f.height == 512 && markerAt(f, startLight);
    }));
    EXPECT_TRUE(program.running());
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
}

TEST(EndToEnd, OptionSSelectsSingleBufferingOncePerLetter) {
    RunningProgram program({"ss"});
    ASSERT_TRUE(program.hasWindow());
    // Frames still reach the screen through the flush of the single buffer.
    EXPECT_TRUE(program.waitForFrame(
        [](const Picture& f) { return markerAt(f, startLight) && shadowViewFor(f, startLight); }));
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
    EXPECT_EQ(program.output(), "Single Buffered\nSingle Buffered\n");
}

// GLUT takes its own options first; the size is set after them, so it stays 512 × 512.
TEST(EndToEnd, GlutOptionsComeOutBeforeTheProgramsOwn) {
    RunningProgram program({"-geometry", "100x80+10+10", "s"});
    ASSERT_TRUE(program.hasWindow());
    const Picture frame = program.grab();
    EXPECT_EQ(frame.width, 512);
    EXPECT_EQ(frame.height, 512);
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(10), 0);
    EXPECT_EQ(program.output(), "Single Buffered\n");
}

TEST(EndToEnd, LeftAloneItCostsAlmostNoCpu) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    ASSERT_TRUE(program.waitUntilIdle()) << "the idle handler never stopped";
    EXPECT_LT(cpuShareAtRest(program, "idle CPU"), 0.02);
}

// Soft shadows from the menu: the still picture is refined until the sphere's shadow has a
// grey edge, '=' grows the light and its marker, and once refined the program sleeps.
TEST(EndToEnd, SoftShadowsRefineAndThenCostAlmostNoCpu) {
    RunningProgram program({});
    ASSERT_TRUE(program.hasWindow());
    chooseMenuItem(program, 6);
    const Vec3 centre = throughLight(startLight, sphereCentre, 1, -100);
    const auto greyEdge = [&](const Picture& f) {
        for (double t = 0; t < 40; t += 0.25) {
            const Pixel px = pixelAt(f, {centre.x + t * 0.7071, -100, centre.z + t * 0.7071});
            if (px.r == 0 && px.g > 20 && px.g < 200) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(program.waitForFrame(greyEdge));
    program.tapKey(XK_equal);
    EXPECT_TRUE(program.waitForFrame([&](const Picture& f) {
        const Pixel rim = pixelAt(f, {startLight.x + 6, startLight.y, startLight.z});
        return rim.r == 128 && rim.g == 128 && rim.b == 128 && greyEdge(f);
    }));

    ASSERT_TRUE(program.waitUntilIdle()) << "the refinement never stopped";
    EXPECT_LT(cpuShareAtRest(program, "CPU once refined"), 0.02);
}

}  // namespace

namespace {

void expectRunsAndQuits(RunningProgram& program) {
    ASSERT_TRUE(program.hasWindow()) << program.errors();
    EXPECT_TRUE(program.waitForFrame(
        [](const Picture& f) { return markerAt(f, startLight) && shadowViewFor(f, startLight); }));
    program.tapKey(XK_Escape);
    EXPECT_EQ(program.waitForExit(20), 0) << program.errors();
}

TEST(HostileCommandLine, AHundredThousandLettersSPrintAsManyLinesThenRun) {
    RunningProgram program({std::string(100000, 's')});
    expectRunsAndQuits(program);
    const std::string line = "Single Buffered\n";
    const std::string printed = program.output();
    ASSERT_EQ(printed.size(), 100000 * line.size());
    for (size_t at = 0; at < printed.size(); at += line.size()) {
        ASSERT_EQ(printed.compare(at, line.size(), line), 0) << "line " << at / line.size();
    }
}

TEST(HostileCommandLine, HighBytesAndAnEmptyArgumentAreIgnored) {
    for (const char* argument : {"\xff\x80\xc3\xa9\x01", ""}) {
        RunningProgram program({argument, "s"});
        expectRunsAndQuits(program);
        EXPECT_EQ(program.output(), "");
    }
}

// GLUT cannot start without these; it says why and exits with a failure, not a signal.
TEST(HostileCommandLine, GlutOptionsWithoutUsableValuesFailCleanly) {
    const std::vector<std::vector<std::string>> cases = {
        {"-geometry"}, {"s", "-geometry"}, {"-display"}, {"-display", ":999"}};
    for (const std::vector<std::string>& args : cases) {
        RunningProgram program(args);
        EXPECT_FALSE(program.hasWindow());
        EXPECT_EQ(program.waitForExit(10), 1) << args[0];
        EXPECT_NE(program.errors().find("freeglut"), std::string::npos) << program.errors();
        EXPECT_EQ(program.errors().find("Sanitizer"), std::string::npos) << program.errors();
    }
}

}  // namespace
