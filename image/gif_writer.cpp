#include "image/gif_writer.h"

#include <gif_lib.h>

#include <cstdio>

#include "image/png_writer.h"

namespace {

int writeBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    return static_cast<int>(
        std::fwrite(bytes, 1, static_cast<size_t>(count), static_cast<std::FILE*>(gif->UserData)));
}

// The Netscape application extension, which every browser and viewer reads as "loop":
// 0 times more, for ever.
bool putLooping(GifFileType* gif) {
    static const GifByteType NAME[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType FOR_EVER[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof NAME, NAME) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof FOR_EVER, FOR_EVER) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

// One frame: its palette by median cut, the delay before the next, then its pixels.
bool putFrame(GifFileType* gif, int width, int height, int delay,
              const std::vector<unsigned char>& rgb) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (rgb.size() != 3 * pixels) {
        return false;
    }
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        red[i] = rgb[3 * i];
        green[i] = rgb[3 * i + 1];
        blue[i] = rgb[3 * i + 2];
    }
    int colours = 256;
    GifColorType palette[256] = {};
    if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &colours,
                          red.data(), green.data(), blue.data(), indices.data(),
                          palette) != GIF_OK) {
        return false;
    }
    GraphicsControlBlock control = {};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType controlBytes[4] = {};
    const size_t controlSize = EGifGCBToExtension(&control, controlBytes);
    ColorMapObject* map = GifMakeMapObject(256, palette);
    bool put = map != nullptr &&
               EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(controlSize),
                                controlBytes) == GIF_OK &&
               EGifPutImageDesc(gif, 0, 0, width, height, false, map) == GIF_OK;
    for (int y = 0; put && y < height; ++y) {
        put = EGifPutLine(gif, indices.data() + static_cast<size_t>(width) * y, width) == GIF_OK;
    }
    GifFreeMapObject(map);
    return put;
}

}  // namespace

std::string writeGif(const std::string& path, int width, int height, int frameCount, int delay,
                     const std::function<std::vector<unsigned char>(int)>& frame) {
    return writeWholeFile(path, [&](std::FILE* file) {
        int error = 0;
        GifFileType* gif = EGifOpen(file, writeBytes, &error);
        if (gif == nullptr) {
            return false;
        }
        EGifSetGifVersion(gif, true);
        bool written =
            EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK && putLooping(gif);
        for (int i = 0; written && i < frameCount; ++i) {
            written = putFrame(gif, width, height, delay, frame(i));
        }
        return EGifCloseFile(gif, &error) == GIF_OK && written;
    });
}
