#include "state/stencil_legend.h"

std::string legendText(const std::vector<LegendEntry>& legend) {
    std::string text;
    for (const LegendEntry& entry : legend) {
        text += "stencil " + entry.value;
        for (const std::string& colour : entry.colours) {
            text += " " + colour;
        }
        text += ": " + entry.meaning + "\n";
    }
    return text;
}
