#include "tests/png_frame.h"

#include <png.h>

#include <cstdio>

bool readPng(const std::string& path, Picture& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    frame.width = static_cast<int>(image.width);
    frame.height = static_cast<int>(image.height);
    frame.rgb.resize(PNG_IMAGE_SIZE(image));
    // A negative stride stores the top row last.
    const int stride = -static_cast<int>(PNG_IMAGE_ROW_STRIDE(image));
    return png_image_finish_read(&image, nullptr, frame.rgb.data(), stride, nullptr) != 0;
}
