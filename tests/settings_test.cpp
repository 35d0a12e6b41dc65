// The table of settings drives both readers: each setting, whatever it is, reads back from
// the state text and from the snapshot tool's option of the same name, --help lists it,
// and a value either reader refuses is refused in the same words by both.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "snapshot/options.h"
#include "state/gallery.h"
#include "state/state_text.h"

namespace {

std::string parse(std::vector<std::string> args, SnapshotOptions& options) {
    args.insert(args.begin(), "planar-shadows-snapshot");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return parseSnapshotOptions(static_cast<int>(args.size()), argv.data(), options);
}

// The start state with this one setting changed, and for a count, two lights to count in.
LinkState changedFromStart(const Setting& setting) {
    LinkState link;
    switch (setting.kind) {
        case SettingKind::LIGHT:
            link.lights[0] = {-40, 80, -450, 1};
            link.lights[1] = {10, 60, -400, 0};
            link.lightCount = 2;
            link.selectedLight = 1;
            break;
        case SettingKind::SWITCH:
            link.*setting.flag = true;
            break;
        case SettingKind::NUMBER:
            link.*setting.number = setting.least + 0.3f * (setting.most - setting.least);
            break;
        case SettingKind::WHOLE:
            link.*setting.whole =
                static_cast<int>(setting.least + 0.3f * (setting.most - setting.least));
            break;
        case SettingKind::COUNT:
            link.lights[1] = {10, 60, -400, 1};
            link.lightCount = 2;
            link.selectedLight = 1;
            setting.setCount(link, 1);
            break;
        case SettingKind::VALUE:
            EXPECT_EQ(setting.read(setting.example, link), "") << setting.key;
            break;
    }
    return link;
}

TEST(Settings, EachReadsBackFromTheStateTextAndFromItsOption) {
    for (const Setting& setting : settings()) {
        const LinkState link = changedFromStart(setting);
        const std::string text = writeStateText(link);
        LinkState fromText;
        EXPECT_TRUE(readStateText(text, fromText).empty()) << text;
        EXPECT_TRUE(fromText == link) << setting.key << ": " << text;

        // "light=1,2,3&soft" as --light 1,2,3 --soft.
        std::vector<std::string> args = {"-o", "shot.png"};
        bool named = false;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find('&', start), text.size());
            const std::string part = text.substr(start, end - start);
            const size_t equals = part.find('=');
            args.push_back("--" + part.substr(0, equals));
            if (equals != std::string::npos) {
                args.push_back(part.substr(equals + 1));
            }
            named = named || part.substr(0, equals) == setting.key;
            start = end + 1;
        }
        EXPECT_TRUE(named) << setting.key << " is not written: " << text;
        SnapshotOptions options;
        EXPECT_EQ(parse(args, options), "") << text;
        EXPECT_TRUE(options.picture == link)
            << setting.key << ": " << text << " -> " << writeStateText(options.picture);
    }
}

TEST(Settings, TheUsageListsEachOptionWithItsValueWithinItsWidth) {
    const std::string usage = snapshotUsage();
    for (const Setting& setting : settings()) {
        const std::string value =
            *setting.valueName != '\0' ? std::string(" ") + setting.valueName : "";
        EXPECT_NE(usage.find("\n  --" + std::string(setting.key) + value + " "), std::string::npos)
            << setting.key;
    }
    for (const char* own : {"--tint T", "--view shadow|plain", "--pixel X,Y", "--state TEXT",
                            "--size WxH", "-o FILE", "--help", "--version"}) {
        EXPECT_NE(usage.find("\n  " + std::string(own) + " "), std::string::npos) << own;
    }
    for (size_t start = 0; start < usage.size();) {
        const size_t end = usage.find('\n', start);
        EXPECT_LE(end - start, 86u) << usage.substr(start, end - start);
        start = end + 1;
    }
}

// What a link says after its part is what the tool says after the option's value.
TEST(Settings, BothReadersRefuseAValueInTheSameWords) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"light", "1,2"},         {"light", "0,0,-420,0"}, {"teapot-offset", "1e7"},
        {"light-radius", "20.5"}, {"light-radius", "x"},   {"step", "8"},
        {"step", "two"},          {"select", "2"},         {"select", "0"},
        {"samples", "0"},         {"samples", "1025"},     {"samples", "2.5"},
    };
    for (const auto& [key, value] : bad) {
        LinkState link;
        const std::vector<std::string> unread = readStateText(key + "=" + value, link);
        ASSERT_EQ(unread.size(), 1u) << key << "=" << value;
        const std::string prefix = "'" + key + "=" + value + "': ";
        ASSERT_EQ(unread[0].rfind(prefix, 0), 0u) << unread[0];
        SnapshotOptions options;
        EXPECT_EQ(
            parse({"--" + key, value, "-o", "shot.png"}, options),
            "bad value '" + value + "' for --" + key + ": " + unread[0].substr(prefix.size()));
    }

    std::string text;
    std::vector<std::string> args = {"-o", "shot.png"};
    for (int i = 0; i <= MAX_LIGHTS; ++i) {
        text += "&light=1,2," + std::to_string(-300 - i);
        args.insert(args.end(), {"--light", "1,2," + std::to_string(-300 - i)});
    }
    LinkState link;
    SnapshotOptions options;
    EXPECT_EQ(readStateText(text, link),
              std::vector<std::string>{"'light=1,2,-304': at most four lights"});
    EXPECT_EQ(parse(args, options), "bad value '1,2,-304' for --light: at most four lights");
}

// Each gallery link reads whole and is written back as it stands, so a copied link reopens
// the entry; and the page lists every entry, both links with its title and text, in its
// markup from the start, so each can be opened in a tab of its own.
TEST(Gallery, EachLinkReadsBackAsWrittenAndThePageListsEveryEntry) {
    std::ifstream file(PLANAR_SHADOWS_SOURCE_DIR "/web/index.html");
    const std::string page((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    const auto markup = [](const char* text) { return fillIn(text, "&", "&amp;"); };
    for (const GalleryEntry& entry : galleryEntries()) {
        for (const char* text : {entry.wrong, entry.right}) {
            LinkState link;
            EXPECT_TRUE(readStateText(text, link).empty()) << entry.name << ": " << text;
            EXPECT_EQ(writeStateText(link), text) << entry.name;
        }
        EXPECT_STRNE(entry.wrong, entry.right) << entry.name;
        const std::string item = "<li><a href=\"#" + markup(entry.wrong) + "\">" +
                                 markup(entry.title) + "</a> (<a href=\"#" + markup(entry.right) +
                                 "\">right</a>): " + markup(entry.text) + "</li>";
        EXPECT_NE(page.find(item), std::string::npos) << item;
    }
    size_t items = 0;
    for (size_t at = page.find("id=\"gallery-list\"");
         (at = page.find("<li>", at + 1)) != std::string::npos;) {
        ++items;
    }
    EXPECT_EQ(items, galleryEntries().size());
}

}  // namespace
