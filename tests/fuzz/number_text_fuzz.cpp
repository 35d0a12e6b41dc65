// The float reader and writers against C's own strtof and printf, which they stand in for in
// the web edition: any bytes read as a number read to the same float as strtof reads them,
// and the float their first four bytes make is written as printf writes it.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state/number_text.h"

namespace {

void require(bool holds, const char* what, const std::string& input) {
    if (!holds) {
        std::fprintf(stderr, "%s for \"%s\"\n", what, input.c_str());
        std::abort();
    }
}

std::string printed(const char* format, int precision, float value) {
    char text[128];
    std::snprintf(text, sizeof text, format, precision, double(value));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // strtof stops at a NUL, skips leading white space, and reads infinities and NaNs, which
    // readFloat leaves to its callers to refuse.
    if (text.find('\0') == std::string::npos && !text.empty() &&
        !std::isspace(static_cast<unsigned char>(text[0]))) {
        char* end = nullptr;
        errno = 0;
        const float expected = std::strtof(text.c_str(), &end);
        const bool overflow = errno == ERANGE && std::isinf(expected);
        if (std::isfinite(expected) || overflow) {
            const ReadFloat read = readFloat(text);
            require(read.read == static_cast<size_t>(end - text.c_str()), "another length", text);
            require(read.outOfRange == overflow, "another range", text);
            require(std::memcmp(&read.value, &expected, sizeof expected) == 0, "another value",
                    text);
        }
    }
    if (size >= 4) {
        float value = 0;
        std::memcpy(&value, data, sizeof value);
        if (std::isfinite(value)) {
            const int precision = size > 4 ? data[4] % 25 : 6;
            const std::string shown = std::to_string(precision);
            require(fixedText(value, precision) == printed("%.*f", precision, value), "another %f",
                    shown);
            require(exponentialText(value, precision) == printed("%.*e", precision, value),
                    "another %e", shown);
            require(generalText(value, precision) == printed("%.*g", precision, value),
                    "another %g", shown);
        }
    }
    return 0;
}
