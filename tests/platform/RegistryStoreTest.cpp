#include "platform/RegistryStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "support/TempDir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
constexpr std::string_view kKey = "Software\\Quire\\Settings";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteRaw(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

mode_t PermissionsOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// -- The file format, without files --------------------------------------------------------

TEST(RegistryDocument, NamesThatLookLikeSyntaxReadBack) {
    const std::vector<std::string> names = {
        "a=b", "[Section]", ";note", "back\\slash", "two\nlines\r", "", " lead", "=", "\\n", "x]"};
    RegistryDocument document;
    for (const std::string& name : names)
        ASSERT_TRUE(document.Set("K", name, RegistryValue(name + "!")));
    const std::string text = document.Serialize();
    EXPECT_THAT(text, HasSubstr("\n\\[Section]=sz:[Section]!\n"));
    EXPECT_THAT(text, HasSubstr("\n\\;note=sz:;note!\n"));
    EXPECT_THAT(text, HasSubstr("\na\\=b=sz:a=b!\n"));

    const RegistryDocument reread = RegistryDocument::Parse(text);
    EXPECT_EQ(reread.unparsed_line_count(), 0u) << text;
    for (const std::string& name : names) {
        const RegistryValue* value = reread.Find("K", name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(std::get<std::string>(*value), name + "!");
    }
}

TEST(RegistryDocument, MalformedValueLinesAreKeptVerbatim) {
    for (const char* line :
         {"x=dword:-1", "x=dword:+1", "x=dword: 1", "x=dword:", "x=dword:4294967296",
          "x=qword:18446744073709551616", "x=hex:abc", "x=hex:zz", "x=sz:bad\\q", "x=sz:end\\",
          "x=text:1", "x", "x\\q=sz:1", "x=DWORD:1"}) {
        const std::string text = std::string("[K]\n") + line + "\n";
        const RegistryDocument document = RegistryDocument::Parse(text);
        EXPECT_EQ(document.unparsed_line_count(), 1u) << line;
        EXPECT_EQ(document.first_unparsed_line(), 2u) << line;
        EXPECT_EQ(document.Find("K", "x"), nullptr) << line;
        EXPECT_EQ(document.Serialize(), text) << line;
    }
}

// Values under a header that names no key must not be read as the previous key's.
TEST(RegistryDocument, BrokenHeaderFencesOffItsLines) {
    const RegistryDocument document =
        RegistryDocument::Parse("[A]\nx=dword:1\n[B\ny=dword:2\n[]\nz=dword:3\n[C]\nw=dword:4\n");
    EXPECT_EQ(document.unparsed_line_count(), 4u);
    EXPECT_EQ(document.first_unparsed_line(), 3u);
    EXPECT_EQ(document.Find("A", "y"), nullptr);
    EXPECT_EQ(document.Find("A", "z"), nullptr);
    EXPECT_NE(document.Find("C", "w"), nullptr);
}

TEST(RegistryDocument, RepeatedKeysAndNamesLastLineWins) {
    RegistryDocument document =
        RegistryDocument::Parse("[A]\nx=dword:1\n[B]\nv=dword:9\n[a]\nX=dword:2\n");
    EXPECT_EQ(*document.Find("A", "x"), RegistryValue(std::uint32_t{2}));
    EXPECT_TRUE(document.Set("A", "x", RegistryValue(std::uint32_t{3})));
    EXPECT_EQ(document.Serialize(), "[A]\nx=dword:1\n[B]\nv=dword:9\n[a]\nX=dword:3\n");
    EXPECT_FALSE(document.Set("A", "x", RegistryValue(std::uint32_t{3})));
    EXPECT_TRUE(document.DeleteValue("A", "x"));
    EXPECT_EQ(document.Find("A", "x"), nullptr);
    EXPECT_FALSE(document.DeleteValue("A", "x"));
}

TEST(RegistryDocument, NewValuesGoAboveTheBlankLinesBetweenKeys) {
    RegistryDocument document;
    document.Set("K", "v", RegistryValue(std::uint32_t{1}));
    document.Set("L", "w", RegistryValue(std::uint32_t{2}));
    document.Set("k", "u", RegistryValue(std::uint32_t{3}));
    EXPECT_EQ(document.Serialize(), "[K]\nv=dword:1\nu=dword:3\n\n[L]\nw=dword:2\n");
}

TEST(RegistryDocument, DeleteKeyTakesSubkeysButKeepsUnreadableLines) {
    RegistryDocument document = RegistryDocument::Parse(
        "[A]\nx=dword:1\nnot a value\n[A\\B]\ny=dword:2\n\n[AB]\nz=dword:3\n");
    EXPECT_TRUE(document.DeleteKey("a"));
    EXPECT_EQ(document.Serialize(), "[A]\nnot a value\n[AB]\nz=dword:3\n");
    EXPECT_FALSE(document.DeleteKey("A\\B"));
}

TEST(RegistryDocument, SerializedFormIsStable) {
    const std::string once =
        RegistryDocument::Parse("junk\n[\\A\\\\b\\]\r\nx=dword:01\r\n; c\n[A\n\n=sz:\\\\")
            .Serialize();
    EXPECT_EQ(once, "junk\n[A\\b]\nx=dword:1\n; c\n[A\n\n=sz:\\\\\n");
    EXPECT_EQ(RegistryDocument::Parse(once).Serialize(), once);
}

// -- The store and its files ---------------------------------------------------------------

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDiagnosticSink([this](std::string_view line) { diagnostics_.emplace_back(line); });
    }
    void TearDown() override { SetDiagnosticSink(nullptr); }

    RegistryStore MakeStore(std::chrono::milliseconds lock_timeout = 2s) const {
        return RegistryStore(user_file_, machine_file_, lock_timeout);
    }

    TempDir dir_;
    // The user folder does not exist until the first write.
    const fs::path user_file_ = dir_.Path() / "config" / "quire" / "registry.ini";
    const fs::path machine_file_ = dir_.Path() / "program" / "registry-machine.ini";
    std::vector<std::string> diagnostics_;
};

TEST_F(RegistryStoreTest, TypedValuesReadBackFromTheFile) {
    const std::string text = "C:\\dir\\a.txt\nsecond\r\n\xc3\xa9 \xff";
    const std::vector<std::uint8_t> bytes = {0x00, 0x0a, 0xff, 0x5d};
    {
        RegistryStore writer = MakeStore();
        ASSERT_TRUE(writer.SetDword(kUser, kKey, "Dword", 4294967295u));
        ASSERT_TRUE(writer.SetQword(kUser, kKey, "Qword", 18446744073709551615u));
        ASSERT_TRUE(writer.SetString(kUser, kKey, "String", text));
        ASSERT_TRUE(writer.SetBinary(kUser, kKey, "Binary", bytes));
        ASSERT_TRUE(writer.SetBinary(kUser, kKey, "Empty", {}));
    }
    const RegistryStore reader = MakeStore();
    EXPECT_EQ(reader.GetDword(kUser, kKey, "Dword"), 4294967295u);
    EXPECT_EQ(reader.GetQword(kUser, kKey, "Qword"), 18446744073709551615u);
    EXPECT_EQ(reader.GetString(kUser, kKey, "String"), text);
    EXPECT_EQ(reader.GetBinary(kUser, kKey, "Binary"), bytes);
    EXPECT_EQ(reader.GetBinary(kUser, kKey, "Empty"), std::vector<std::uint8_t>{});
    EXPECT_EQ(reader.GetDword(kUser, kKey, "Absent"), std::nullopt);
    EXPECT_EQ(PermissionsOf(user_file_), 0600u);
    EXPECT_EQ(PermissionsOf(user_file_.parent_path()), 0700u);
    EXPECT_TRUE(diagnostics_.empty());
}

TEST_F(RegistryStoreTest, ValueOfAnotherTypeReadsAsMissing) {
    RegistryStore store = MakeStore();
    ASSERT_TRUE(store.SetDword(kUser, kKey, "Value", 7));
    EXPECT_EQ(store.GetQword(kUser, kKey, "Value"), std::nullopt);
    EXPECT_EQ(store.GetString(kUser, kKey, "Value"), std::nullopt);
    EXPECT_EQ(store.GetBinary(kUser, kKey, "Value"), std::nullopt);
    ASSERT_TRUE(store.SetString(kUser, kKey, "Value", "7"));
    EXPECT_EQ(store.GetDword(kUser, kKey, "Value"), std::nullopt);
    EXPECT_EQ(store.GetString(kUser, kKey, "Value"), "7");
}

TEST_F(RegistryStoreTest, KeysAndNamesFoldAsciiCaseAndKeepTheirFirstSpelling) {
    RegistryStore store = MakeStore();
    ASSERT_TRUE(store.SetDword(kUser, kKey, "Width", 1));
    ASSERT_TRUE(store.SetDword(kUser, "\\software\\\\QUIRE\\settings\\", "WIDTH", 2));
    EXPECT_EQ(store.GetDword(kUser, "SOFTWARE\\quire\\Settings", "width"), 2u);
    EXPECT_EQ(ReadAll(user_file_), "[Software\\Quire\\Settings]\nWidth=dword:2\n");

    ASSERT_TRUE(store.SetDword(kUser, kKey, "\xc3\x84", 3));  // Ä; only ASCII folds
    EXPECT_EQ(store.GetDword(kUser, kKey, "\xc3\xa4"), std::nullopt);
    EXPECT_EQ(store.GetDword(kUser, "Software/Quire/Settings", "Width"), std::nullopt);
}

TEST_F(RegistryStoreTest, KeysThatNameNothingAreRefused) {
    RegistryStore store = MakeStore();
    EXPECT_FALSE(store.SetDword(kUser, "", "x", 1));
    EXPECT_FALSE(store.SetDword(kUser, "\\\\", "x", 1));
    EXPECT_FALSE(store.SetDword(kUser, "A\nB", "x", 1));
    EXPECT_FALSE(store.DeleteKey(kUser, "\\"));
    EXPECT_FALSE(fs::exists(user_file_.parent_path()));
}

TEST_F(RegistryStoreTest, LocalMachineReadsItsOwnFileAndIsReadOnly) {
    const std::string machine = "[Software\\Quire]\nEdition=dword:2\n";
    WriteRaw(machine_file_, machine);
    RegistryStore store = MakeStore();
    EXPECT_EQ(store.GetDword(kMachine, "software\\quire", "edition"), 2u);
    EXPECT_EQ(store.GetDword(kUser, "Software\\Quire", "Edition"), std::nullopt);

    EXPECT_FALSE(store.SetDword(kMachine, "Software\\Quire", "Edition", 3));
    EXPECT_FALSE(store.DeleteValue(kMachine, "Software\\Quire", "Edition"));
    EXPECT_FALSE(store.DeleteKey(kMachine, "Software\\Quire"));
    EXPECT_EQ(ReadAll(machine_file_), machine);

    ASSERT_TRUE(store.SetDword(kUser, "Software\\Quire", "Edition", 5));
    EXPECT_EQ(store.GetDword(kMachine, "Software\\Quire", "Edition"), 2u);
}

TEST_F(RegistryStoreTest, DeleteReportsWhetherThereWasSomethingToDelete) {
    RegistryStore store = MakeStore();
    ASSERT_TRUE(store.SetDword(kUser, "Software\\Quire", "Keep", 1));
    ASSERT_TRUE(store.SetDword(kUser, "Software\\Quire\\Sub", "Gone", 2));
    ASSERT_TRUE(store.SetDword(kUser, "Software\\QuireX", "Sibling", 3));
    EXPECT_TRUE(store.DeleteValue(kUser, "software\\quire", "KEEP"));
    EXPECT_FALSE(store.DeleteValue(kUser, "Software\\Quire", "Keep"));
    EXPECT_EQ(store.GetDword(kUser, "Software\\Quire", "Keep"), std::nullopt);

    EXPECT_TRUE(store.DeleteKey(kUser, "Software\\Quire"));
    EXPECT_FALSE(store.DeleteKey(kUser, "Software\\Quire"));
    EXPECT_EQ(store.GetDword(kUser, "Software\\Quire\\Sub", "Gone"), std::nullopt);
    EXPECT_EQ(store.GetDword(kUser, "Software\\QuireX", "Sibling"), 3u);
}

TEST_F(RegistryStoreTest, UnreadableLinesSurviveAWriteInPlaceAndAreReportedOnce) {
    WriteRaw(user_file_,
             "; comment\ngarbage line\n[Software\\Quire]\nGood=dword:1\nBad=dword:-5\n"
             "[Broken\nOrphan=dword:7\n[Software\\Other]\nX=sz:ok\n");
    RegistryStore store = MakeStore();
    EXPECT_EQ(store.GetDword(kUser, "Software\\Quire", "Good"), 1u);
    EXPECT_EQ(store.GetDword(kUser, "Software\\Quire", "Orphan"), std::nullopt);
    ASSERT_TRUE(store.SetDword(kUser, "Software\\Quire", "New", 2));
    EXPECT_EQ(ReadAll(user_file_),
              "; comment\ngarbage line\n[Software\\Quire]\nGood=dword:1\nBad=dword:-5\n"
              "New=dword:2\n[Broken\nOrphan=dword:7\n[Software\\Other]\nX=sz:ok\n");
    ASSERT_EQ(diagnostics_.size(), 1u);
    EXPECT_THAT(diagnostics_[0], HasSubstr("4 unreadable line(s), the first at line 2"));
    EXPECT_THAT(diagnostics_[0], HasSubstr(user_file_.string()));
}

TEST_F(RegistryStoreTest, OversizedFileIsReportedReadAsEmptyAndNeverWritten) {
    std::string big = "[K]\nx=dword:1\n";
    big.resize(RegistryStore::kMaxFileBytes + 1, ';');
    WriteRaw(user_file_, big);
    RegistryStore store = MakeStore();
    EXPECT_EQ(store.GetDword(kUser, "K", "x"), std::nullopt);
    EXPECT_FALSE(store.SetDword(kUser, "K", "y", 2));
    EXPECT_FALSE(store.DeleteKey(kUser, "K"));
    EXPECT_EQ(ReadAll(user_file_), big);
    EXPECT_THAT(diagnostics_, Contains(HasSubstr("larger than 4 MiB")));

    big.pop_back();
    WriteRaw(user_file_, big);
    EXPECT_EQ(store.GetDword(kUser, "K", "x"), 1u);
}

TEST_F(RegistryStoreTest, WriteThatWouldPassTheSizeCapIsRefused) {
    RegistryStore store = MakeStore();
    ASSERT_TRUE(store.SetDword(kUser, "K", "x", 1));
    const std::string before = ReadAll(user_file_);
    const std::vector<std::uint8_t> huge(RegistryStore::kMaxFileBytes / 2, 0xab);
    EXPECT_FALSE(store.SetBinary(kUser, "K", "huge", huge));
    EXPECT_EQ(ReadAll(user_file_), before);
}

TEST_F(RegistryStoreTest, HeldLockFailsTheWriteAfterTheTimeout) {
    RegistryStore store = MakeStore(100ms);
    ASSERT_TRUE(store.SetDword(kUser, "K", "x", 1));
    fs::path lock_path = user_file_;
    lock_path += ".lock";
    const std::optional<FileLock> held = FileLock::Acquire(lock_path, 0ms);
    ASSERT_TRUE(held.has_value());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(store.SetDword(kUser, "K", "x", 2));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(store.GetDword(kUser, "K", "x"), 1u);
    EXPECT_THAT(diagnostics_, ElementsAre(HasSubstr("lock")));
}

// Each write re-reads the file under the lock, so no process overwrites another's change.
TEST_F(RegistryStoreTest, WritesFromConcurrentProcessesAllSurvive) {
    constexpr int kWritesEach = 100;
    std::vector<pid_t> children;
    for (const char* writer : {"a", "b"}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryStore store = MakeStore(30s);
            int failures = 0;
            for (int i = 0; i < kWritesEach; ++i)
                failures += !store.SetDword(kUser, kKey, writer + std::to_string(i), i);
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const RegistryStore store = MakeStore();
    for (const char* writer : {"a", "b"}) {
        for (int i = 0; i < kWritesEach; ++i)
            EXPECT_EQ(store.GetDword(kUser, kKey, writer + std::to_string(i)), std::uint32_t(i));
    }
}

}  // namespace
}  // namespace platform
