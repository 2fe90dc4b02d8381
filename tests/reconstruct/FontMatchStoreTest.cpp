#include "reconstruct/FontMatchStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "support/TempDir.h"

namespace reconstruct {
namespace {

namespace fs = std::filesystem;
using Matches = std::map<std::string, std::string>;

void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

TEST(FontMatchStoreTest, MatchesComeBackAndTwoCoresAddToOneFile) {
    TempDir temp;
    const fs::path file = temp / "cache" / "font-matches";  // its folder is made on saving
    const FontMatchStore first(file, "print-1");
    const FontMatchStore second(file, "print-1");
    EXPECT_TRUE(first.Load().empty());
    first.Save({{"Times-Roman00010", "Liberation Serif"}});
    second.Save({{"CMR1000010", "Latin Modern Roman"}});
    first.Save({{"Times-Roman00010", "Nimbus Roman"}});
    EXPECT_EQ(second.Load(), (Matches{{"CMR1000010", "Latin Modern Roman"},
                                      {"Times-Roman00010", "Nimbus Roman"}}));
    const auto entries = fs::directory_iterator(temp / "cache");
    EXPECT_EQ(std::distance(fs::begin(entries), fs::end(entries)), 1)
        << "no temporary file is left beside it";
}

TEST(FontMatchStoreTest, AFileFromAnotherSetupOrDamagedGivesNothing) {
    TempDir temp;
    const fs::path file = temp / "font-matches";
    FontMatchStore(file, "print-1").Save({{"Arial00000", "Liberation Sans"}});
    EXPECT_TRUE(FontMatchStore(file, "print-2").Load().empty());

    const std::string header = "quire font matches 1\nprint-1\n";
    const struct {
        const char* label;
        std::string text;
    } cases[] = {
        {"a line without its family", header + "Arial00000\tLiberation Sans\nbroken\n"},
        {"an empty family", header + "Arial00000\t\n"},
        {"another format", "quire font matches 9\nprint-1\nArial00000\tLiberation Sans\n"},
        {"too large", header + std::string(300 * 1024, 'x') + "\tLiberation Sans\n"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        Write(file, c.text);
        EXPECT_TRUE(FontMatchStore(file, "print-1").Load().empty()) << c.label;
    }
}

TEST(FontMatchStoreTest, NamesThatWouldBreakALineAreNotKept) {
    TempDir temp;
    const FontMatchStore store(temp / "font-matches", "print-1");
    store.Save({{"Odd\tName00000", "DejaVu Sans"},
                {"Odd\nName00000", "DejaVu Sans"},
                {"Plain00000", "DejaVu\nSans"},
                {"Fine00000", "DejaVu Sans"}});
    EXPECT_EQ(store.Load(), (Matches{{"Fine00000", "DejaVu Sans"}}));
}

TEST(FontMatchStoreTest, TheFingerprintFollowsFontFoldersAndFontconfigsEnvironment) {
    TempDir home;
    const ScopedEnv data("XDG_DATA_HOME", (home / "data").string());
    const ScopedEnv config("XDG_CONFIG_HOME", (home / "config").string());
    fs::create_directories(home / "data" / "fonts");
    const std::string before = FontSetupFingerprint();
    EXPECT_EQ(FontSetupFingerprint(), before) << "nothing changed";

    fs::create_directories(home / "data" / "fonts" / "new-family");
    const std::string with_family = FontSetupFingerprint();
    EXPECT_NE(with_family, before);

    fs::create_directories(home / "config" / "fontconfig" / "conf.d");
    Write(home / "config" / "fontconfig" / "conf.d" / "50-mine.conf", "<fontconfig/>");
    const std::string with_config = FontSetupFingerprint();
    EXPECT_NE(with_config, with_family);
    {
        const ScopedEnv file("FONTCONFIG_FILE", "/nonexistent/fonts.conf");
        EXPECT_NE(FontSetupFingerprint(), with_config);
    }
    EXPECT_EQ(FontSetupFingerprint(), with_config);
}

}  // namespace
}  // namespace reconstruct
