// The state text as a page's address or the snapshot tool's --state hands it over: any
// bytes at all read into a state within range that writes and reads back as itself, and
// the same text read again over that state changes nothing.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    LinkState link;
    const std::vector<std::string> unread = readStateText(text, link);
    requireWithinRange(link);
    requireReadsBack(link);

    LinkState again = link;
    require(readStateText(text, again) == unread && sameState(again, link),
            "the same text read twice gives another state", text);
    return 0;
}
