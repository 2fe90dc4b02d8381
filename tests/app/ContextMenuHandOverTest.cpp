#include "app/ContextMenuHandOver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

using Paths = std::vector<std::string>;

TEST(ContextMenuHandOverTest, ReadsTheListAndRemovesTheFile) {
    TempDir temp;
    const auto file = temp / context_menu::kHandOverFileName;
    ASSERT_TRUE(platform::WriteFileAtomically(
        file,
        Utf16Le(u"\uFEFF[QuireMenu]\r\nSelPath=/home/me/a b.pdf||/home/me/\u6587.docx|\r\n")));
    EXPECT_EQ(context_menu::TakeSelectedPaths(temp.Path()),
              (Paths{"/home/me/a b.pdf", "/home/me/\xE6\x96\x87.docx"}));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(context_menu::TakeSelectedPaths(temp.Path()), Paths{});
}

TEST(ContextMenuHandOverTest, FileWithoutTheKeyGivesNothingAndIsStillRemoved) {
    TempDir temp;
    const auto file = temp / context_menu::kHandOverFileName;
    ASSERT_TRUE(platform::WriteFileAtomically(file, Utf16Le(u"[quiremenu]\r\nother=1\r\n")));
    EXPECT_EQ(context_menu::TakeSelectedPaths(temp.Path()), Paths{});
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ContextMenuHandOverTest, SymlinkAndFolderAreRefusedAndLeftAlone) {
    TempDir temp;
    const auto target = temp / "elsewhere.tmp";
    const std::string bytes = Utf16Le(u"[quiremenu]\r\nselpath=/etc/shadow\r\n");
    ASSERT_TRUE(platform::WriteFileAtomically(target, bytes));
    const auto link = temp / context_menu::kHandOverFileName;
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(context_menu::TakeSelectedPaths(temp.Path()), Paths{});
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(platform::ReadFileBounded(target, 1024).bytes, bytes);

    TempDir other;
    std::filesystem::create_directory(other / context_menu::kHandOverFileName);
    EXPECT_EQ(context_menu::TakeSelectedPaths(other.Path()), Paths{});
    EXPECT_TRUE(std::filesystem::is_directory(other / context_menu::kHandOverFileName));
}

}  // namespace
