#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "snapshot/options.h"

namespace {

std::string parse(std::vector<std::string> args, SnapshotOptions& options) {
    args.insert(args.begin(), "planar-shadows-snapshot");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    return parseSnapshotOptions(static_cast<int>(argv.size()), argv.data(), options);
}

TEST(SnapshotOptions, DefaultsAreTheProgramsStartState) {
    SnapshotOptions options;
    ASSERT_EQ(parse({"-o", "out.png"}, options), "");
    EXPECT_EQ(options.light.x, 50.0f);
    EXPECT_EQ(options.light.y, 50.0f);
    EXPECT_EQ(options.light.z, -320.0f);
    EXPECT_EQ(options.light.w, 1.0f);
    EXPECT_EQ(options.teapotOffset, 0.0f);
    EXPECT_EQ(options.tint, 0.0f);
    EXPECT_FALSE(options.plainView);
    EXPECT_EQ(options.width, 512);
    EXPECT_EQ(options.height, 512);
    EXPECT_EQ(options.output, "out.png");
}

TEST(SnapshotOptions, ReadsEveryOption) {
    SnapshotOptions options;
    ASSERT_EQ(parse({"--light", "-12.5,0,-1e3", "--teapot-offset", "-45", "--tint", "0.25",
                     "--view", "plain", "--size", "8192x1", "-o", "a b.png"},
                    options),
              "");
    EXPECT_EQ(options.light.x, -12.5f);
    EXPECT_EQ(options.light.y, 0.0f);
    EXPECT_EQ(options.light.z, -1000.0f);
    EXPECT_EQ(options.teapotOffset, -45.0f);
    EXPECT_EQ(options.tint, 0.25f);
    EXPECT_TRUE(options.plainView);
    EXPECT_EQ(options.width, 8192);
    EXPECT_EQ(options.height, 1);
    EXPECT_EQ(options.output, "a b.png");

    SnapshotOptions help;
    EXPECT_EQ(parse({"--help"}, help), "");
    EXPECT_TRUE(help.help);
}

TEST(SnapshotOptions, RefusesWhatIsNotExactlyANumberOrSize) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--light", "1,2,3"},
                                               {"-o", ""},
                                               {"--light", " 1,2,3", "-o", "x"},
                                               {"--light", "1,,3", "-o", "x"},
                                               {"--light", "0x1p200,0,0", "-o", "x"},
                                               {"--tint", "1e-50000", "-o", "x"},
                                               {"--size", "99999x1", "-o", "x"},
                                               {"--size", "1x+5", "-o", "x"},
                                               {"--size", "x", "-o", "x"},
                                               {"--size", "5x5x5", "-o", "x"},
                                               {"--view", "Shadow", "-o", "x"},
                                               {"-o", "x", "extra"}}) {
        SnapshotOptions options;
        const std::string problem = parse(args, options);
        EXPECT_FALSE(problem.empty()) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(problem.find('\n'), std::string::npos);
    }
}

}  // namespace
