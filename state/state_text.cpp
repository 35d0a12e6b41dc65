#include "state/state_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "state/number_text.h"

namespace {

// To the bit: -0 is not 0 here, so that it too reads back as it was.
bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool readsBackAs(const std::string& text, float value) {
    return sameBits(readFloat(text).value, value);
}

// The shortest text that reads back to exactly `value`. Between 10^-4 and 10^7 as decimals
// ("-450", "0.1"), which read better in an address than "-4.5e+02"; outside, in the shortest
// %g form.
std::string shortestText(float value) {
    const float size = std::fabs(value);
    if (size == 0 || (size >= 1e-4f && size < 1e7f)) {
        for (int decimals = 0; decimals <= 20; ++decimals) {
            const std::string text = fixedText(value, decimals);
            if (readsBackAs(text, value)) {
                return text;
            }
        }
    }
    // Nine significant digits always read back to the same float.
    for (int digits = 1; digits < 9; ++digits) {
        const std::string text = generalText(value, digits);
        if (readsBackAs(text, value)) {
            return text;
        }
    }
    return generalText(value, 9);
}

// %41 and the like, as a mail client or a browser may write ',' or '#'; a '%' without two
// hex digits after it stays as it is.
std::string decodeEscapes(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// A part as a refusal names it: decoded, but with each control character escaped again, so
// that a newline from %0A cannot break the refusal's line.
std::string partAsNamed(const std::string& part) {
    std::string named;
    for (const char c : part) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            named += "%" + hexByte(byte, true);
        } else {
            named += c;
        }
    }
    return named;
}

bool lightsAsAtStart(const LinkState& link) {
    const LightPosition& at = link.lights[0];
    return link.lightCount == 1 && sameBits(at.x, START_LIGHT.x) && sameBits(at.y, START_LIGHT.y) &&
           sameBits(at.z, START_LIGHT.z) && at.w == START_LIGHT.w;
}

// A part of the text, "key=value", or "key" alone, which has no value.
struct Part {
    std::string key;
    bool hasValue;
    std::string value;
    const std::string* valueGiven() const {
        return hasValue ? &value : nullptr;
    }
};

Part splitPart(const std::string& part) {
    const size_t equals = part.find('=');
    if (equals == std::string::npos) {
        return {part, false, ""};
    }
    return {part.substr(0, equals), true, part.substr(equals + 1)};
}

}  // namespace

// ---- Writing and reading ------------------------------------------------------------------

std::string writeStateText(const LinkState& link) {
    const LinkState start;
    std::string text;
    const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "&") + part; };
    for (const Setting& setting : settings()) {
        const std::string key = setting.key;
        switch (setting.kind) {
            case SettingKind::LIGHT:
                if (!lightsAsAtStart(link)) {
                    for (int i = 0; i < link.lightCount; ++i) {
                        const LightPosition& at = link.lights[i];
                        add(key + "=" + shortestText(at.x) + "," + shortestText(at.y) + "," +
                            shortestText(at.z) + (at.w == 0 ? ",0" : ""));
                    }
                }
                break;
            case SettingKind::SWITCH:
                if (link.*setting.flag) {
                    add(key);
                }
                break;
            case SettingKind::NUMBER:
                if (!sameBits(link.*setting.number, start.*setting.number)) {
                    add(key + "=" + shortestText(link.*setting.number));
                }
                break;
            case SettingKind::WHOLE:
                if (link.*setting.whole != start.*setting.whole) {
                    add(key + "=" + std::to_string(link.*setting.whole));
                }
                break;
            case SettingKind::COUNT:
                if (setting.count(link) != 0) {
                    add(key + "=" + std::to_string(setting.count(link)));
                }
                break;
            case SettingKind::VALUE: {
                const std::string value = setting.write(link);
                if (!value.empty()) {
                    add(key + "=" + value);
                }
                break;
            }
        }
    }
    return text;
}

std::vector<std::string> readStateText(const std::string& text, LinkState& link) {
    std::vector<std::string> unread;
    const auto refuse = [&unread](const std::string& part, const std::string& why) {
        unread.push_back("'" + partAsNamed(part) + "': " + why);
    };
    bool lightsGiven = false;
    // A count's part, such as a step's, and a path's are checked once the lights and the
    // switches are known, whatever their order; the last one given counts.
    std::vector<std::string> laterParts(settings().size());
    LinkState read = link;
    size_t start = !text.empty() && text[0] == '#' ? 1 : 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string part = decodeEscapes(text.substr(start, end - start));
        start = end + 1;
        const Part split = splitPart(part);
        const Setting* setting = findSetting(split.key);
        if (part.empty() || split.key == "embed") {
            continue;
        }
        if (setting == nullptr) {
            refuse(part, "no such setting");
        } else if (setting->kind == SettingKind::COUNT || setting->readLast) {
            laterParts[size_t(setting - settings().data())] = part;
        } else {
            const std::string why = readSetting(*setting, split.valueGiven(), read, lightsGiven);
            if (!why.empty()) {
                refuse(part, why);
            }
        }
    }
    for (size_t i = 0; i < laterParts.size(); ++i) {
        const std::string& part = laterParts[i];
        if (part.empty()) {
            continue;
        }
        const Part split = splitPart(part);
        LinkState counted = read;
        std::string why = readSetting(settings()[i], split.valueGiven(), counted, lightsGiven);
        if (why.empty() && settings()[i].kind == SettingKind::COUNT) {
            why = countOutOfRange(settings()[i], counted);
        }
        if (why.empty()) {
            read = counted;
        } else {
            refuse(part, why);
        }
    }
    link = read;
    return unread;
}
