#include "snapshot/png_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// libpng reports errors by longjmp, so this function holds nothing that needs a
// destructor. Returns false if libpng or a write failed.
bool encode(std::FILE* file, int width, int height, const unsigned char* rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgb + 3 * static_cast<size_t>(width) * y);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string writePng(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& rgbTopRowFirst) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    // mkstemp makes the file private; give it the mode any new file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const std::string problem = std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return "cannot write " + path + ": " + problem;
    }
    errno = 0;
    bool written = encode(file, width, height, rgbTopRowFirst.data());
    written = std::fflush(file) == 0 && written;
    const int writeError = errno;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = writeError != 0 ? writeError : errno;
        unlink(temporary.c_str());
        return "cannot write " + path + ": " + (error != 0 ? std::strerror(error) : "write failed");
    }
    return "";
}
