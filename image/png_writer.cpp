#include "image/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

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

// The file that `path` names once every symbolic link on the way is followed, so a link
// keeps pointing where it did and the file it points to gets the picture. A link to a file
// that does not exist yet names that file.
bool followLinks(fs::path path, fs::path& target, std::error_code& error) {
    // As many links as Linux follows in one lookup.
    for (int hop = 0; hop < 40; ++hop) {
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            error.clear();
            target = path;
            return true;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return false;
}

// A file of that name, new, opened for writing, with the mode any new file gets: on POSIX
// 0666 less the umask, on Windows an ordinary writable file. Null if the name is taken or
// the folder refuses it; errno says which.
std::FILE* createNewFile(const fs::path& name) {
#ifdef _WIN32
    const int fd =
        _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr) {
        _close(fd);
    }
#else
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr) {
        close(fd);
    }
#endif
    return file;
}

// A new file beside `target`, so that renaming it over the target stays on one file
// system and is atomic.
std::FILE* createTemporaryBeside(const fs::path& target, fs::path& temporary) {
    std::random_device random;
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target;
        temporary += ".";
        for (int i = 0; i < 6; ++i) {
            temporary += letters[random() % (sizeof letters - 1)];
        }
        std::FILE* file = createNewFile(temporary);
        if (file != nullptr || errno != EEXIST) {
            return file;
        }
    }
    return nullptr;
}

// A read-only file stays as it is: replacing it would quietly make it writable. Root may
// write anything, so the file's own write bits decide as well as the process's rights.
bool mayReplace([[maybe_unused]] const fs::path& target, const fs::file_status& status) {
    const fs::perms anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & anyWrite) == fs::perms::none) {
        return false;
    }
#ifdef _WIN32
    // Windows has no more to say: its one write permission is the read-only attribute.
    return true;
#else
    return access(target.c_str(), W_OK) == 0;
#endif
}

}  // namespace

std::string writePng(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& rgbTopRowFirst) {
    return writeWholeFile(
        path, [&](std::FILE* file) { return encode(file, width, height, rgbTopRowFirst.data()); });
}

std::string writeWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& encode) {
    const std::string failed = "cannot write " + path + ": ";
    fs::path target;
    std::error_code error;
    if (!followLinks(fs::path(path), target, error)) {
        return failed + error.message();
    }
    // A missing file is no error here: the picture makes it.
    const fs::file_status existing = fs::status(target, error);
    const bool replacing = fs::exists(existing);
    if (replacing && !fs::is_regular_file(existing)) {
        return failed + "not a regular file";
    }
    if (replacing && !mayReplace(target, existing)) {
        return failed + "the file is read-only";
    }

    fs::path temporary;
    std::FILE* file = createTemporaryBeside(target, temporary);
    if (file == nullptr) {
        return failed + std::strerror(errno);
    }
    error.clear();
    // A file that is replaced keeps its mode.
    if (replacing) {
        fs::permissions(temporary, existing.permissions(), error);
    }
    errno = 0;
    bool written = !error && encode(file);
    written = std::fflush(file) == 0 && written;
    const int writeError = errno;
    written = std::fclose(file) == 0 && written;
    if (written && !error) {
        fs::rename(temporary, target, error);
    }
    if (written && !error) {
        return "";
    }
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (error) {
        return failed + error.message();
    }
    const int cause = writeError != 0 ? writeError : errno;
    return failed + (cause != 0 ? std::strerror(cause) : "write failed");
}
