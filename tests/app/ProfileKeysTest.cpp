#include <gtest/gtest.h>

#include <string>

#include "app/ConfigKeys.h"
#include "app/ProfileIni.h"
#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

using config::PromptMark;

class ProfileKeysTest : public testing::Test {
protected:
    void Ship(const std::string& relative, const std::string& text) {
        const auto file = folders_.Shipped(relative);
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(platform::WriteFileAtomically(file, text));
    }

    TempDir temp_;
    config::Folders folders_{temp_ / "program", temp_ / "user"};
};

TEST_F(ProfileKeysTest, SurveyRecordCountsAndCreatesTheDataFolder) {
    EXPECT_EQ(config::ReadSurveyPromptRecord(folders_).shown_count, 0);
    const std::int64_t after_2038 = 4'102'444'800;  // 2100-01-01
    ASSERT_TRUE(config::RecordSurveyPromptShown(1'700'000'000, folders_));
    ASSERT_TRUE(config::RecordSurveyPromptShown(after_2038, folders_));
    const config::SurveyPromptRecord record = config::ReadSurveyPromptRecord(folders_);
    EXPECT_EQ(record.shown_count, 2);
    EXPECT_EQ(record.last_shown, after_2038);
    EXPECT_TRUE(std::filesystem::is_directory(temp_ / "user" / "data"));
    EXPECT_FALSE(std::filesystem::exists(temp_ / "program" / "data"));
}

TEST_F(ProfileKeysTest, UserCopyShadowsTheShippedFileAndKeepsItsKeys) {
    Ship(config::kCacheDat, "[convert_survey_dlg]\nshow_count=4\n[convert]\nhas_convert=1\n");
    EXPECT_EQ(config::ReadSurveyPromptRecord(folders_).shown_count, 4);
    ASSERT_TRUE(config::RecordSurveyPromptShown(10, folders_));
    EXPECT_EQ(config::ReadSurveyPromptRecord(folders_).shown_count, 5);
    EXPECT_TRUE(config::IsMarked(PromptMark::kConverted, folders_));
    const auto shipped = platform::ReadFileBounded(folders_.Shipped(config::kCacheDat), 1024);
    EXPECT_EQ(shipped.bytes, "[convert_survey_dlg]\nshow_count=4\n[convert]\nhas_convert=1\n");
}

struct MarkCase {
    PromptMark mark;
    const char* section;
    const char* key;
};

class ProfileMarkTest : public ProfileKeysTest, public testing::WithParamInterface<MarkCase> {};

TEST_P(ProfileMarkTest, EachMarkHasItsOwnKey) {
    const MarkCase& c = GetParam();
    const auto file = folders_.Writable(config::kCacheDat);
    EXPECT_FALSE(config::IsMarked(c.mark, folders_));
    ASSERT_TRUE(config::SetMark(c.mark, true, folders_));
    EXPECT_TRUE(config::IsMarked(c.mark, folders_));
    EXPECT_EQ(profile::GetString(file, c.section, c.key, ""), "1");
    for (PromptMark other :
         {PromptMark::kFeedbackTip, PromptMark::kConverted, PromptMark::kEnhanceConvertTip,
          PromptMark::kEditPageTip, PromptMark::kEditPdfTip})
        EXPECT_EQ(config::IsMarked(other, folders_), other == c.mark);
    ASSERT_TRUE(config::SetMark(c.mark, false, folders_));
    EXPECT_EQ(profile::GetString(file, c.section, c.key, ""), "0");
}

INSTANTIATE_TEST_SUITE_P(
    CacheDat, ProfileMarkTest,
    testing::Values(MarkCase{PromptMark::kFeedbackTip, "feedback_tip", "has_show"},
                    MarkCase{PromptMark::kConverted, "convert", "has_convert"},
                    MarkCase{PromptMark::kEnhanceConvertTip, "enhance_convert_tip", "has_show"},
                    MarkCase{PromptMark::kEditPageTip, "edit_page_tip", "has_show"},
                    MarkCase{PromptMark::kEditPdfTip, "showed_dlg", "edit_pdf_tip"}));

TEST_F(ProfileKeysTest, ShippedProfileFilesAreReadByTheirOwnRules) {
    Ship(config::kDpiSettingIni,
         "[BaseSetting]\nswitch=1\nmode=0\nsupportprocess=a.exe|b.exe\ndebugdpi=144\n");
    Ship(config::kSkinCfgIni, "[alpha]\nblue=200\n");
    Ship(config::kUpliveSvr, "[common]\ntryno=3\n");
    const config::DpiSettings dpi = config::ReadDpiSettings(folders_);
    EXPECT_EQ(dpi.enabled, 1);
    EXPECT_EQ(dpi.mode, 0);
    EXPECT_EQ(dpi.debug, 0);
    EXPECT_EQ(dpi.support_process, "a.exe|b.exe");
    EXPECT_EQ(dpi.debug_dpi, 144);
    EXPECT_EQ(dpi.support_rate, "1.0|1.2|1.5");
    EXPECT_EQ(config::ReadSkinAlpha("BLUE", folders_), 200);
    EXPECT_EQ(config::ReadSkinAlpha("red", folders_), 255);
    EXPECT_EQ(config::ReadTryNo(folders_), 3);
}

TEST_F(ProfileKeysTest, DisabledChannelIsCutAt255Characters) {
    EXPECT_EQ(config::ReadDisabledChannel(folders_), "");
    std::string long_value;
    for (int i = 0; i < 300; ++i)
        long_value += "\xE4\xB8\xAD";  // one character, three bytes
    Ship(config::kCfgDataIni, "[partner]\ndisable_channel=" + long_value + "\n");
    EXPECT_EQ(config::ReadDisabledChannel(folders_), long_value.substr(0, 255 * 3));
}

TEST_F(ProfileKeysTest, HelpMarkerOnlyForEditionThree) {
    EXPECT_TRUE(config::ReadHelpMarkerShown(3, folders_));
    EXPECT_FALSE(config::ReadHelpMarkerShown(1, folders_));
    ASSERT_TRUE(config::ClearHelpMarker(folders_));
    EXPECT_FALSE(config::ReadHelpMarkerShown(3, folders_));
    EXPECT_EQ(
        profile::GetString(folders_.Writable(config::kCfgDataUserIni), "red_help", "show", ""),
        "0");
}

}  // namespace
