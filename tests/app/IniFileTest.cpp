#include <gtest/gtest.h>

#include <string>

#include "app/ConfigKeys.h"
#include "app/KIniFile.h"
#include "app/KIniWrapper.h"
#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

struct ParseCase {
    const char* name;
    std::string text;
    bool parsed;
    std::string saved;  // Serialize() afterwards
};

class IniParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(IniParseTest, ResultAndDocument) {
    const ParseCase& c = GetParam();
    KIniFile file;
    EXPECT_EQ(file.Parse(c.text), c.parsed);
    EXPECT_EQ(file.Serialize(), c.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniParseTest,
    testing::Values(
        ParseCase{"NamesLowerCasedSortedValuesKeepCase", "[B]\nZ=1\nA = x Y \n[a]\nk=v", true,
                  "[a]\r\nk=v\r\n[b]\r\na=x Y\r\nz=1\r\n"},
        ParseCase{"TextBeforeTheFirstBracketIsIgnored", "x=1\nnoise\n[s]\nk=v\n", true,
                  "[s]\r\nk=v\r\n"},
        ParseCase{"NoBracketFails", "k=v\n", false, ""},
        ParseCase{"LineWithoutEqualsStopsKeepingEarlierKeys", "[s]\na=1\nbroken\nb=2\n", false,
                  "[s]\r\na=1\r\n"},
        ParseCase{"SemicolonLineIsNoComment", "[s]\na=1\n; note\nb=2\n", false, "[s]\r\na=1\r\n"},
        ParseCase{"EmptyHeaderFails", "[s]\na=1\n[  ]\nb=2\n", false, "[s]\r\na=1\r\n"},
        ParseCase{"LoneBracketFails", "[s]\na=1\n[\nb=2\n", false, "[s]\r\na=1\r\n"},
        ParseCase{"EmptyKeyFails", "[s]\na=1\n  = 2\n", false, "[s]\r\na=1\r\n"},
        ParseCase{"SectionsDifferingInCaseAreOneLastValueWins", "[Sec]\na=1\n[SEC]\nA=2\nb=3", true,
                  "[sec]\r\na=2\r\nb=3\r\n"},
        ParseCase{"HeaderSpacesTrimmed", "[  Name  ]\nk=v", true, "[name]\r\nk=v\r\n"},
        ParseCase{"UnicodeWhiteSpaceTrimmedAtLineEnds",
                  "\t[s]\xE3\x80\x80\n\t k \t=  v w\xC2\xA0\n", true, "[s]\r\nk \t=v w\r\n"},
        ParseCase{"ValueKeepsLaterEquals", "[s]\nurl=http://h/?a=b", true,
                  "[s]\r\nurl=http://h/?a=b\r\n"},
        ParseCase{"PlainByteOrder", "[s]\n\xC3\xA4=1\nz=2\nZ0=3", true,
                  "[s]\r\nz=2\r\nz0=3\r\n\xC3\xA4=1\r\n"},
        ParseCase{"KeysBeforeAnyHeaderAreNotSaved", "[a=1\n[s]\nk=v", true, "[s]\r\nk=v\r\n"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(IniDocumentTest, GettersIgnoreCaseAndFollowWtoi) {
    KIniFile file;
    ASSERT_TRUE(file.Parse("[Main]\nNum=12abc\nword=abc\nneg=-7\nText=Hello\n"));
    EXPECT_EQ(file.GetString("MAIN", "TEXT", "d"), "Hello");
    EXPECT_EQ(file.GetString("main", "missing", "d"), "d");
    EXPECT_EQ(file.GetString("other", "text", "d"), "d");
    EXPECT_EQ(file.GetInt("main", "num", 5), 12);
    EXPECT_EQ(file.GetInt("main", "word", 5), 0);
    EXPECT_EQ(file.GetInt("main", "neg", 5), -7);
    EXPECT_EQ(file.GetInt("main", "missing", 5), 5);
    // A key from the parse and one set later land on the same entry.
    file.SetInt("MAIN", "Num", -40);
    file.SetString("New", "Key", "Value");
    EXPECT_EQ(file.GetString("main", "num", ""), "-40");
    EXPECT_EQ(file.Serialize(),
              "[main]\r\nneg=-7\r\nnum=-40\r\ntext=Hello\r\nword=abc\r\n[new]\r\nkey=Value\r\n");
}

TEST(IniDocumentTest, SetRefusesWhatCouldNotBeReadBack) {
    KIniFile file;
    file.SetString("s", "k", "two\nlines");
    file.SetString("s", "a=b", "v");
    file.SetString("", "k", "v");
    file.SetString("s", "", "v");
    file.SetString("s\r", "k", "v");
    EXPECT_TRUE(file.sections().empty());
}

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

struct LoadCase {
    const char* name;
    std::string bytes;
    IniEncoding encoding;
    bool loaded;
    std::string value;  // of s/k afterwards
};

class IniLoadTest : public testing::TestWithParam<LoadCase> {};

TEST_P(IniLoadTest, ReadsTheFile) {
    const LoadCase& c = GetParam();
    TempDir temp;
    ASSERT_TRUE(platform::WriteFileAtomically(temp / "a.ini", c.bytes));
    KIniFile file;
    file.SetString("s", "k", "stale");
    EXPECT_EQ(file.Load(temp / "a.ini", c.encoding), c.loaded);
    EXPECT_EQ(file.GetString("s", "k", "none"), c.value);
}

std::string PaddedTo(std::size_t size) {
    std::string bytes = "[s]\nk=big\n";
    bytes.resize(size, ' ');
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniLoadTest,
    testing::Values(
        LoadCase{"TwoBytesFail", "[]", IniEncoding::kUtf8, false, "none"},
        LoadCase{"Utf16MarkAloneFails", "\xFF\xFE", IniEncoding::kUtf16, false, "none"},
        LoadCase{"Utf8WithMark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", IniEncoding::kUtf8, true, "v"},
        LoadCase{"AnsiIsUtf8", "[s]\nk=\xE4\xB8\xAD\n", IniEncoding::kAnsi, true, "\xE4\xB8\xAD"},
        LoadCase{"CarriageReturnsAloneEndLines", "[s]\rk=v\rj=w", IniEncoding::kUtf8, true, "v"},
        LoadCase{"Utf16WithMark", Utf16Le(u"\uFEFF[s]\r\nk=\u4E2D\u6587\r\n"), IniEncoding::kUtf16,
                 true, "\xE4\xB8\xAD\xE6\x96\x87"},
        LoadCase{"Utf16WithoutMark", Utf16Le(u"[s]\r\nk=v\r\n"), IniEncoding::kUtf16, true, "v"},
        LoadCase{"AtTheSizeLimit", PaddedTo(0x200000), IniEncoding::kUtf8, true, "big"},
        LoadCase{"OverTheSizeLimit", PaddedTo(0x200001), IniEncoding::kUtf8, false, "none"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST(IniFileTest, MissingFileFailsAndEmptiesTheDocument) {
    TempDir temp;
    KIniFile file;
    file.SetString("s", "k", "v");
    EXPECT_FALSE(file.Load(temp / "none.ini", IniEncoding::kUtf8));
    EXPECT_TRUE(file.sections().empty());
}

TEST(IniFileTest, SaveWritesMarkAndCrLfLinesAndReadsBack) {
    TempDir temp;
    KIniFile file;
    file.SetString("Zeta", "B", "2");
    file.SetString("alpha", "key", "\xE4\xB8\xAD");
    ASSERT_TRUE(file.Save(temp / "out.ini"));
    const platform::ReadResult read = platform::ReadFileBounded(temp / "out.ini", 1024);
    EXPECT_EQ(read.bytes, "\xEF\xBB\xBF[alpha]\r\nkey=\xE4\xB8\xAD\r\n[zeta]\r\nb=2\r\n");
    KIniFile reread;
    ASSERT_TRUE(reread.Load(temp / "out.ini", IniEncoding::kUtf8));
    EXPECT_EQ(reread.sections(), file.sections());
}

TEST(IniFileTest, SaveReportsFailure) {
    TempDir temp;
    KIniFile file;
    file.SetString("s", "k", "new");
    EXPECT_FALSE(file.Save(temp / "missing-folder" / "a.ini"));
    std::filesystem::create_directory(temp / "dir.ini");
    EXPECT_FALSE(file.Save(temp / "dir.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(temp / "dir.ini"));
}

TEST(IniWrapperTest, AnyReadableFileCountsAsLoaded) {
    TempDir temp;
    ASSERT_TRUE(platform::WriteFileAtomically(
        temp / "survey.ini", "[satisfaction_survey]\r\nlast_show_time=5\r\nbad line\r\nx=1"));
    ASSERT_TRUE(platform::WriteFileAtomically(temp / "tiny.ini", "x"));
    cf::ini::KIniWrapper wrapper;
    EXPECT_TRUE(wrapper.Load(temp / "survey.ini", false));
    EXPECT_EQ(wrapper.GetInt("satisfaction_survey", "last_show_time", 0), 5);
    EXPECT_EQ(wrapper.GetString("satisfaction_survey", "x", "none"), "none");
    EXPECT_TRUE(wrapper.Load(temp / "tiny.ini", false));
    EXPECT_TRUE(wrapper.sections().empty());
    EXPECT_FALSE(wrapper.Load(temp / "none.ini", false));
}

TEST(IniWrapperTest, CreateMakesFoldersAndAnEmptyFileButNeverTruncates) {
    TempDir temp;
    const auto file = temp / "a" / "b" / "survey.ini";
    cf::ini::KIniWrapper wrapper;
    ASSERT_TRUE(wrapper.Load(file, true));
    EXPECT_TRUE(wrapper.sections().empty());
    const platform::ReadResult created = platform::ReadFileBounded(file, 16);
    EXPECT_EQ(created.status, platform::ReadStatus::Ok);
    EXPECT_EQ(created.bytes, "");

    wrapper.SetInt("satisfaction_survey", "today_show_times", 2);
    ASSERT_TRUE(wrapper.Save(file));
    KIniFile same;
    same.SetInt("satisfaction_survey", "today_show_times", 2);
    ASSERT_TRUE(same.Save(temp / "same.ini"));
    EXPECT_EQ(platform::ReadFileBounded(file, 1024).bytes,
              platform::ReadFileBounded(temp / "same.ini", 1024).bytes);

    ASSERT_TRUE(wrapper.Load(file, true));
    EXPECT_EQ(wrapper.GetInt("satisfaction_survey", "today_show_times", 0), 2);
}

TEST(IniSwitchFileTest, SettingsAboveABrokenLineAreStillRead) {
    TempDir temp;
    const config::Folders folders{temp.Path(), temp / "user"};
    ASSERT_TRUE(platform::WriteFileAtomically(
        temp / "switch.ini",
        "[convert_close_dlg_priority]\npriority= defsoft, ,evaluate\n[convert_survey_dlg]\n"
        "switch=1\ncount=3\nhelp_url=https://help.example/s\nbroken line\ninterval=30\n"));
    const config::SurveyPromptSettings survey = config::ReadSurveyPromptSettings(folders);
    EXPECT_EQ(survey.enabled, 1);
    EXPECT_EQ(survey.max_shown, 3);
    EXPECT_EQ(survey.help_url, "https://help.example/s");
    EXPECT_EQ(survey.interval_days, 7);
    EXPECT_EQ(survey.help_switch, 0);
    EXPECT_EQ(config::ReadClosePromptOrder(folders),
              (std::vector<std::string>{"defsoft", "evaluate"}));
}

}  // namespace
