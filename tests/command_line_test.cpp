#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "snapshot/difference.h"

namespace {

struct Scan {
    int doubleBuffered;
    std::string printed;
};

Scan scan(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::FILE* out = std::tmpfile();
    const int flag = scanBufferingOption(static_cast<int>(args.size()), argv.data(), out);
    std::string printed(static_cast<size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    const size_t got = std::fread(printed.data(), 1, printed.size(), out);
    std::fclose(out);
    printed.resize(got);
    return {flag, printed};
}

TEST(BufferingOption, EachLowerCaseSInTheFirstArgumentPrintsALine) {
    const std::string line = "Single Buffered\n";
    const Scan none = scan({"planar-shadows"});
    EXPECT_EQ(none.doubleBuffered, 1);
    EXPECT_EQ(none.printed, "");

    const Scan one = scan({"planar-shadows", "s"});
    EXPECT_EQ(one.doubleBuffered, 0);
    EXPECT_EQ(one.printed, line);

    for (const char* twice : {"ss", "-s-s"}) {
        const Scan two = scan({"planar-shadows", twice});
        EXPECT_EQ(two.doubleBuffered, 0) << twice;
        EXPECT_EQ(two.printed, line + line) << twice;
    }
}

TEST(BufferingOption, UpperCaseEmptyAndLaterArgumentsAreIgnored) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"planar-shadows", "S"},
          std::vector<std::string>{"planar-shadows", ""},
          std::vector<std::string>{"planar-shadows", "x", "s"},
          std::vector<std::string>{"planar-shadows", "\xc3\xa9\xff"}}) {
        const Scan result = scan(args);
        EXPECT_EQ(result.doubleBuffered, 1) << args[1];
        EXPECT_EQ(result.printed, "") << args[1];
    }
}

// The difference view's numbers for a known pair: only the penumbra counts, where the
// reference differs from the hard frame; there 98 pixels agree, one differs by 2 and one by
// 9 in a single channel; a pixel outside it differs by 50 and is left out.
TEST(DifferenceView, CountsThePenumbraAlone) {
    constexpr int WIDTH = 101;
    RgbImage reference{WIDTH, 1, std::vector<unsigned char>(3 * WIDTH, 100)};
    RgbImage hard = reference;
    RgbImage picture = reference;
    for (int x = 1; x < WIDTH; ++x) {
        hard.rgb[3 * x + 1] = x % 2 == 0 ? 0 : 235;
    }
    picture.rgb[0] = 150;
    picture.rgb[3 * 7 + 2] = 102;
    picture.rgb[3 * 60] = 91;
    const PenumbraDifference d = penumbraDifference(picture, reference, hard);
    EXPECT_EQ(d.pixels, 100);
    EXPECT_DOUBLE_EQ(d.mean, 0.11);
    EXPECT_EQ(d.percentile99, 2);
    EXPECT_EQ(d.largest, 9);
    EXPECT_EQ(describe(d, 1024),
              "difference from 1024 points over the penumbra (100 pixels): mean 0.110, 99th "
              "percentile 2, largest 9 display codes");
}

}  // namespace
