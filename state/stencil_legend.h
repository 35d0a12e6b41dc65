// The stencil view's legend as data, each entry a stencil value, the colour or ramp of
// colours it is shown in and what it means; and the same as text, one line per entry, as the
// desktop and the snapshot tool print it. The page builds its own legend from the data. No GL.
#pragma once

#include <string>
#include <vector>

struct LegendEntry {
    std::string value;                 // "0", "1", "2k"
    std::vector<std::string> colours;  // "#rrggbb", several for a ramp from its first end
    std::string meaning;
};

// "stencil 1 #ff00ff: marked", and for a ramp every colour, "stencil 2k #440154 ... #fde725:
// ...", each line ending in a newline.
std::string legendText(const std::vector<LegendEntry>& legend);
