#include "state/light_path.h"

#include <cmath>
#include <cstdint>

#include "state/settings.h"

namespace {

const char BASE64URL[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
// The low five bits of a character carry the count; this one says more of it follows.
constexpr int MORE = 32;
// 30 bits hold the farthest jump's folded count, 2 · 2 · 10^6 · 16.
constexpr int MOST_CHARACTERS = 6;
constexpr std::int64_t MOST_STEPS = static_cast<std::int64_t>(MAX_COORDINATE / PATH_GRID);

std::int64_t steps(float coordinate) {
    return std::llround(coordinate / PATH_GRID);
}

void writeCount(std::int64_t count, std::string& text) {
    std::uint64_t folded = count < 0 ? (std::uint64_t(-count) << 1) - 1 : std::uint64_t(count) << 1;
    do {
        const int low = static_cast<int>(folded & 31);
        folded >>= 5;
        text += BASE64URL[low | (folded != 0 ? MORE : 0)];
    } while (folded != 0);
}

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '-' ? 62 : c == '_' ? 63 : -1;
}

}  // namespace

Point3 onPathGrid(const Point3& at) {
    const auto snap = [](float coordinate) {
        return static_cast<float>(steps(coordinate)) * PATH_GRID;
    };
    return {snap(at.x), snap(at.y), snap(at.z)};
}

std::string writePathText(const std::vector<Point3>& path) {
    std::string text;
    std::int64_t last[3] = {0, 0, 0};
    for (const Point3& at : path) {
        const std::int64_t now[3] = {steps(at.x), steps(at.y), steps(at.z)};
        for (int i = 0; i < 3; ++i) {
            writeCount(now[i] - last[i], text);
            last[i] = now[i];
        }
    }
    return text;
}

std::string readPathText(const std::string& text, std::vector<Point3>& path) {
    std::vector<std::int64_t> counts;
    std::uint64_t folded = 0;
    int characters = 0;
    for (const char c : text) {
        const int value = sextet(c);
        if (value < 0) {
            return "a path is written in base64url, A-Z, a-z, 0-9, - and _";
        }
        if (characters == MOST_CHARACTERS) {
            return "a step of the path is longer than " + std::to_string(MOST_CHARACTERS) +
                   " characters";
        }
        folded |= std::uint64_t(value & 31) << (5 * characters++);
        if ((value & MORE) == 0) {
            counts.push_back((folded & 1) != 0 ? -std::int64_t(folded >> 1) - 1
                                               : std::int64_t(folded >> 1));
            folded = 0;
            characters = 0;
        }
    }
    if (text.empty()) {
        return "a path holds at least one position";
    }
    if (characters != 0 || counts.size() % 3 != 0) {
        return "a path's text ends in the middle of a position";
    }
    if (counts.size() / 3 > size_t(MAX_PATH_POSITIONS)) {
        return "a path holds at most " + std::to_string(MAX_PATH_POSITIONS) + " positions, " +
               std::to_string(MAX_PATH_POSITIONS / PATH_POSITIONS_PER_SECOND) + " seconds";
    }
    std::vector<Point3> read;
    std::int64_t at[3] = {0, 0, 0};
    for (size_t i = 0; i < counts.size(); i += 3) {
        for (int axis = 0; axis < 3; ++axis) {
            at[axis] += counts[i + size_t(axis)];
            if (at[axis] < -MOST_STEPS || at[axis] > MOST_STEPS) {
                return "a path's coordinates go from " + sayNumber(-MAX_COORDINATE) + " to " +
                       sayNumber(MAX_COORDINATE);
            }
        }
        read.push_back({static_cast<float>(at[0]) * PATH_GRID,
                        static_cast<float>(at[1]) * PATH_GRID,
                        static_cast<float>(at[2]) * PATH_GRID});
    }
    path = read;
    return "";
}
