#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/Base64.h"
#include "app/ConfigPaths.h"
#include "app/KAppConfig.h"
#include "app/ProfileIni.h"
#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

struct DecodeCase {
    const char* input;
    std::optional<std::string> output;
};

class AppConfigBase64Test : public testing::TestWithParam<DecodeCase> {};

TEST_P(AppConfigBase64Test, Decodes) {
    EXPECT_EQ(base64::Decode(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Alphabet, AppConfigBase64Test,
    testing::Values(DecodeCase{"", ""}, DecodeCase{"QQ==", "A"}, DecodeCase{"QUI=", "AB"},
                    DecodeCase{"QUJD", "ABC"}, DecodeCase{"QQ", "A"},
                    DecodeCase{"Q\r\nU J\nD", "ABC"}, DecodeCase{"QQ= =\r\n", "A"},
                    DecodeCase{"+/+/", "\xFB\xFF\xBF"}, DecodeCase{"Q", std::nullopt},
                    DecodeCase{"QQ=", std::nullopt}, DecodeCase{"QQ==QQ==", std::nullopt},
                    DecodeCase{"====", std::nullopt}, DecodeCase{"QU*D", std::nullopt},
                    DecodeCase{"QUJD\t", std::nullopt}));

struct LoadCase {
    const char* name;
    std::string bytes;
    bool loaded;
    std::string host;
};

class AppConfigLoadTest : public testing::TestWithParam<LoadCase> {};

TEST_P(AppConfigLoadTest, LoadsTheHost) {
    const LoadCase& c = GetParam();
    TempDir temp;
    ASSERT_TRUE(platform::WriteFileAtomically(temp / "common.dat", c.bytes));
    KAppConfig config;
    ASSERT_TRUE(config.LoadFromBytes("W2NvbW1vbl0NCmhvc3Q9c3RhbGU="));  // host=stale
    EXPECT_EQ(config.LoadConfig(temp / "common.dat"), c.loaded);
    EXPECT_EQ(config.Host(), c.host);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AppConfigLoadTest,
    testing::Values(LoadCase{"Good", "W2NvbW1vbl0NCmhvc3Q9aHR0cDovL2g6MQ0K", true, "http://h:1"},
                    LoadCase{"WrappedLines", "W2NvbW1vbl0KaG9z\r\ndD1odHRwOi8vaDox\r\nCg==\r\n",
                             true, "http://h:1"},
                    LoadCase{"StopsAtTheFirstNul",
                             "W2NvbW1vbl0KaG9zdD1hAFtjb21tb25dCmhvc3Q9Yg==", true, "a"},
                    LoadCase{"NulFirstIsEmpty", "AFtjb21tb25dCmhvc3Q9YQ==", false, ""},
                    LoadCase{"Empty", "", false, ""},
                    LoadCase{"Garbage", "not base64 at all!", false, ""},
                    LoadCase{"PlainIniIsNotBase64", "[common]\nhost=http://h:1\n", false, ""},
                    LoadCase{"NoSection", "aG9zdD1hCg==", false, ""}),
    [](const testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST(AppConfigTest, MissingFileFails) {
    TempDir temp;
    KAppConfig config;
    EXPECT_FALSE(config.LoadConfig(temp / "common.dat"));
    EXPECT_EQ(config.Host(), "");
}

// The files the build copies into the program folder must read as the documented defaults.
TEST(AppConfigTest, ShippedFilesHoldTheDocumentedValues) {
    TempDir temp;
    const config::Folders folders{std::filesystem::path(QUIRE_BINARY).parent_path(), temp / "user"};
    KAppConfig app_config;
    ASSERT_TRUE(app_config.LoadConfig(folders.Shipped(config::kCommonDat)));
    EXPECT_EQ(app_config.Host(), "http://127.0.0.1:47810");

    KIniFile switch_ini;
    ASSERT_TRUE(switch_ini.Load(folders.Shipped(config::kSwitchIni), IniEncoding::kUtf8));
    KIniFile core_ini;
    ASSERT_TRUE(core_ini.Load(folders.Shipped(config::kPdfCoreIni), IniEncoding::kUtf8));
    // The files must hold the keys themselves, not leave them to the readers' defaults.
    EXPECT_EQ(switch_ini.GetString("convert_survey_dlg", "switch", ""), "0");
    EXPECT_EQ(switch_ini.GetString("convert_survey_dlg", "interval", ""), "7");
    EXPECT_EQ(switch_ini.GetString("convert_close_dlg_priority", "priority", ""),
              "evaluate,shortcut,defsoft");
    EXPECT_EQ(core_ini.GetString("kpdfcore", "memoctrl", ""), "200");
    EXPECT_EQ(core_ini.GetString("kpdfcore", "pdf_to_image", ""), "2");
    const auto dpi = folders.Shipped(config::kDpiSettingIni);
    EXPECT_EQ(profile::GetString(dpi, "basesetting", "mode", ""), "2");
    EXPECT_EQ(profile::GetString(dpi, "basesetting", "debugdpi", ""), "96");
    EXPECT_EQ(profile::GetString(dpi, "basesetting", "supportrate", ""), "1.0|1.2|1.5");
    const auto uplive = folders.Shipped(config::kUpliveSvr);
    EXPECT_EQ(profile::GetString(uplive, "Common", "TryNo", ""), "0");
    EXPECT_EQ(profile::GetString(uplive, "Common", "Edition", ""), "1");
}

}  // namespace
