#include "app/ProfileIni.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

using profile::ProfileDocument;

constexpr const char* kSample =
    "\xEF\xBB\xBF[First]\r\n"
    "a=1\r\n"
    "; a comment=with equals\r\n"
    "[General]\r\n"
    "  Name = \"Quoted Value\"  \r\n"
    "Count= 42 apples\r\n"
    "Empty=\r\n"
    "Neg=-5\r\n"
    "odd line without equals\r\n"
    "[general]\r\n"
    "Name=second section is never read\r\n"
    "Late=in the second section\r\n"
    "[Other]\r\n"
    "key = 'x' \r\n";

class ProfileReadTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(platform::WriteFileAtomically(file_, kSample)); }

    std::string String(const char* section, const char* key) {
        return profile::GetString(file_, section, key, "default");
    }
    int Int(const char* section, const char* key) {
        return profile::GetInt(file_, section, key, 99);
    }

    TempDir temp_;
    std::filesystem::path file_ = temp_ / "sample.ini";
};

TEST_F(ProfileReadTest, NamesIgnoreCaseValuesAreTrimmedAndUnquoted) {
    EXPECT_EQ(String("first", "A"), "1");
    EXPECT_EQ(String("GENERAL", "name"), "Quoted Value");
    EXPECT_EQ(String("general", "count"), "42 apples");
    EXPECT_EQ(String("general", "empty"), "");
    EXPECT_EQ(String("other", "key"), "x");
    EXPECT_EQ(String("general", "late"), "default");
    EXPECT_EQ(String("general", "odd line without equals"), "default");
    EXPECT_EQ(String("first", "; a comment"), "default");
    EXPECT_EQ(String("none", "a"), "default");
    EXPECT_EQ(profile::GetString(temp_ / "missing.ini", "first", "a", "default"), "default");
}

TEST_F(ProfileReadTest, IntegersReadTheLeadingNumber) {
    EXPECT_EQ(Int("general", "count"), 42);
    EXPECT_EQ(Int("general", "neg"), -5);
    EXPECT_EQ(Int("general", "name"), 0);
    EXPECT_EQ(Int("general", "empty"), 99);
    EXPECT_EQ(Int("general", "missing"), 99);
    EXPECT_EQ(profile::GetInt(temp_ / "missing.ini", "general", "count", 7), 7);
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class ProfileWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWriteTest, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    ProfileDocument document = ProfileDocument::Parse(c.before);
    ASSERT_TRUE(ProfileDocument::CanWrite(c.section, c.key, c.value));
    document.Set(c.section, c.key, c.value);
    EXPECT_EQ(document.Serialize(), c.after);
    EXPECT_EQ(ProfileDocument::Parse(c.after).Find(c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProfileWriteTest,
    testing::Values(
        WriteCase{"ReplaceKeepsSpellingCommentsAndEnding", "; c\r\n[A]\r\n  Key = old\r\nz=1\r\n",
                  "a", "KEY", "new", "; c\r\n[A]\r\nKey=new\r\nz=1\r\n"},
        WriteCase{"NewKeyGoesAfterTheSectionsLastLine", "[a]\nx=1\n\n[b]\ny=2\n", "a", "k", "v",
                  "[a]\nx=1\nk=v\n\n[b]\ny=2\n"},
        WriteCase{"NewSectionAtTheEnd", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n"},
        WriteCase{"NewKeyInALastLineWithoutEnding", "[a]\nx=1", "a", "k", "v", "[a]\nx=1\nk=v\n"},
        WriteCase{"EmptyFile", "", "s", "k", "v", "[s]\nk=v\n"},
        WriteCase{"CrLfFileGetsCrLfLines", "[a]\r\nx=1\r\n", "b", "k", "v",
                  "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        WriteCase{"ByteOrderMarkKept", "\xEF\xBB\xBF[a]\r\nx=1\r\n", "A", "x", "2",
                  "\xEF\xBB\xBF[a]\r\nx=2\r\n"},
        WriteCase{"OnlyTheFirstOfTwoSectionsChanges", "[a]\nx=1\n[A]\nx=2\n", "a", "x", "3",
                  "[a]\nx=3\n[A]\nx=2\n"},
        WriteCase{"UnknownLinesStayInPlace", "garbage\n[a]\n?? what\nx=1\n", "a", "y", "2",
                  "garbage\n[a]\n?? what\nx=1\ny=2\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST(ProfileFileTest, WriteCreatesPrivateFoldersAndReplacesTheFile) {
    TempDir temp;
    const auto file = temp / "user" / "data" / "cache.dat";
    ASSERT_TRUE(profile::WriteString(file, "convert", "has_convert", "1"));
    ASSERT_TRUE(profile::WriteString(file, "convert", "has_convert", "2"));
    EXPECT_EQ(platform::ReadFileBounded(file, 1024).bytes, "[convert]\nhas_convert=2\n");
    struct stat info {};
    ASSERT_EQ(::stat((temp / "user").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(ProfileFileTest, RefusedWritesLeaveNoTrace) {
    TempDir temp;
    const auto file = temp / "a.ini";
    EXPECT_FALSE(profile::WriteString(file, "s", "k", "two\nlines"));
    EXPECT_FALSE(profile::WriteString(file, "s", "k=x", "v"));
    EXPECT_FALSE(profile::WriteString(file, "", "k", "v"));
    EXPECT_FALSE(profile::WriteString(file, "s]", "k", "v"));
    EXPECT_FALSE(profile::WriteString(file, "s", "[k", "v"));
    EXPECT_FALSE(profile::WriteString(file, "s", "k", " padded "));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProfileFileTest, OversizedFileReadsAsDefaultAndIsNeverOverwritten) {
    TempDir temp;
    const auto file = temp / "big.ini";
    std::string bytes = "[s]\nk=5\n";
    bytes.resize(profile::kMaxFileBytes + 1, '#');
    ASSERT_TRUE(platform::WriteFileAtomically(file, bytes));
    EXPECT_EQ(profile::GetInt(file, "s", "k", -1), -1);
    EXPECT_FALSE(profile::WriteString(file, "s", "k", "6"));
    EXPECT_EQ(std::filesystem::file_size(file), bytes.size());
}

TEST(ProfileFileTest, GarbageIsKeptAndReadSafely) {
    TempDir temp;
    const auto file = temp / "junk.ini";
    const char raw[] = "\0\xFF[\n]=\r\n[s\0]\n=\n\x80k=v";
    const std::string junk(raw, sizeof raw - 1);
    ASSERT_TRUE(platform::WriteFileAtomically(file, junk));
    EXPECT_EQ(profile::GetString(file, "s", "k", "d"), "d");
    ASSERT_TRUE(profile::WriteString(file, "s", "k", "v"));
    const std::string after = platform::ReadFileBounded(file, 1024).bytes;
    EXPECT_EQ(after.substr(0, junk.size()), junk);
    EXPECT_EQ(profile::GetString(file, "s", "k", "d"), "v");
}

TEST(ProfileFileTest, MissingFileStartsFromTheSeed) {
    TempDir temp;
    const auto seed = temp / "shipped.ini";
    const auto file = temp / "user" / "copy.ini";
    ASSERT_TRUE(platform::WriteFileAtomically(seed, "; shipped\n[a]\nx=1\n"));
    ASSERT_TRUE(profile::WriteString(file, "a", "y", "2", seed));
    EXPECT_EQ(platform::ReadFileBounded(file, 1024).bytes, "; shipped\n[a]\nx=1\ny=2\n");
    EXPECT_EQ(platform::ReadFileBounded(seed, 1024).bytes, "; shipped\n[a]\nx=1\n");
    // Once the copy exists the seed no longer matters.
    ASSERT_TRUE(platform::WriteFileAtomically(seed, "[a]\nx=9\n"));
    ASSERT_TRUE(profile::WriteString(file, "a", "z", "3", seed));
    EXPECT_EQ(profile::GetString(file, "a", "x", ""), "1");
}

}  // namespace
