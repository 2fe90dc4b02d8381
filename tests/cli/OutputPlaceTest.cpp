// Where results go and the names they get: never over an existing file or another result.
#include <gtest/gtest.h>

#include "cli/OutputPlace.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

namespace fs = std::filesystem;

TEST(OutputPlaceTest, NamesSkipExistingFilesAndEachOther) {
    TempDir temp;
    cli::OutputPlace place;
    EXPECT_EQ(place.ClaimFile(temp.Path(), "a_已加密.pdf"), temp / "a_已加密.pdf");
    // Claimed in this batch though not written yet.
    EXPECT_EQ(place.ClaimFile(temp.Path(), "a_已加密.pdf"), temp / "a_已加密(1).pdf");

    testdocs::WriteFile(temp / "b.pdf", "x");
    testdocs::WriteFile(temp / "b(1).pdf", "x");
    cli::OutputPlace next_run;
    EXPECT_EQ(next_run.ClaimFile(temp.Path(), "b.pdf"), temp / "b(2).pdf");
}

TEST(OutputPlaceTest, ResultsGoNextToTheSourceOrIntoTheChosenFolder) {
    TempDir temp;
    const std::string source = (temp / "in" / "a.pdf").string();
    EXPECT_EQ(cli::OutputPlace().FolderFor(source), temp / "in");

    std::string error;
    const auto chosen = cli::OutputPlace::InFolder((temp / "x" / "y").string(), &error);
    ASSERT_TRUE(chosen) << error;
    EXPECT_TRUE(fs::is_directory(temp / "x" / "y"));
    EXPECT_EQ(chosen->FolderFor(source), temp / "x" / "y");

    testdocs::WriteFile(temp / "file", "x");
    EXPECT_FALSE(cli::OutputPlace::InFolder((temp / "file").string(), &error));
    EXPECT_NE(error.find("cannot use the output folder"), std::string::npos);
}

TEST(OutputPlaceTest, FoldersAreNewEachTime) {
    TempDir temp;
    cli::OutputPlace place;
    EXPECT_EQ(place.MakeFolder(temp.Path(), "a_拆分"), temp / "a_拆分");
    EXPECT_EQ(place.MakeFolder(temp.Path(), "a_拆分"), temp / "a_拆分(1)");
    EXPECT_TRUE(fs::is_directory(temp / "a_拆分(1)"));
}

}  // namespace
