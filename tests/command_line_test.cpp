#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"

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

}  // namespace
