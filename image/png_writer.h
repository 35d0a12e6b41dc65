// Picture files that never leave a partial file behind: a PNG, and anything else written
// the same way.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Writes `path` with `encode`, which writes the file's bytes and says whether it could. The
// bytes go to a temporary file in the same folder, which is renamed over the file once
// complete, so a failure leaves nothing. A symbolic link is followed and stays; the file it
// points to is written. A file that is replaced keeps its mode; a read-only one is refused
// and left alone. Returns "" on success, else what went wrong.
std::string writeWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& encode);

// Writes width × height RGB pixels, top row first, to `path` as a PNG, as writeWholeFile
// writes.
std::string writePng(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& rgbTopRowFirst);
