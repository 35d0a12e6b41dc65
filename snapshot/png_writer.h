// PNG output that never leaves a partial file behind.
#pragma once

#include <string>
#include <vector>

// Writes width × height RGB pixels, top row first, to `path`. The PNG goes to a temporary
// file in the same folder, which is renamed over the file once complete, so a failure
// leaves nothing. A symbolic link is followed and stays; the file it points to is written.
// A file that is replaced keeps its mode; a read-only one is refused and left alone.
// Returns "" on success, else what went wrong.
std::string writePng(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& rgbTopRowFirst);
