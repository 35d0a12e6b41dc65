// What a link to a picture holds, as the page's address and the snapshot tool's --state
// write it: "light=-40,80,-450&step=3". One reader and one writer for both editions. No GL.
#pragma once

#include <string>
#include <vector>

#include "state/settings.h"

// Only the values that differ from the start state, in the order of settings(), numbers in
// the shortest form that reads back to the same float; "" for the start state itself.
std::string writeStateText(const LinkState& link);

// Reads the parts of `text` (joined by '&', with or without a leading '#', %-escapes
// allowed) into `link`: a part that reads sets its value, and the first light given
// replaces the whole list. A part that does not read (an unknown key, a malformed or
// out-of-range number, a fifth light, a step or a selected light that does not exist
// once all is read) leaves `link` as it was; the result names each such part and why.
// "embed" belongs to the page and is passed over.
std::vector<std::string> readStateText(const std::string& text, LinkState& link);
