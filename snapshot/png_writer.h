// PNG output that never leaves a partial file behind.
#pragma once

#include <string>
#include <vector>

// Writes width × height RGB pixels, top row first, to `path`. The PNG goes to a temporary
// file in the same folder, which is renamed over `path` once complete, so a failure
// leaves nothing. Returns "" on success, else what went wrong.
std::string writePng(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& rgbTopRowFirst);
