#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "convcore/PendingOutput.h"
#include "support/TempDir.h"

namespace {

using convcore::PendingOutput;

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PendingOutputTest, WorkFileIsHiddenBesideTheTargetAndKeepsItsExtension) {
    TempDir folder;
    const PendingOutput first(folder / "report.docx");
    const PendingOutput second(folder / "report.docx");
    EXPECT_EQ(first.WorkPath().parent_path(), folder.Path());
    EXPECT_EQ(first.WorkPath().extension(), ".docx");
    EXPECT_EQ(first.WorkPath().filename().string()[0], '.');
    EXPECT_NE(first.WorkPath(), second.WorkPath());
}

TEST(PendingOutputTest, CommitReplacesTheTargetAndUncommittedWorkIsRemoved) {
    TempDir folder;
    std::ofstream(folder / "kept.pdf") << "old";
    {
        PendingOutput output(folder / "kept.pdf");
        std::ofstream(output.WorkPath()) << "new";
        std::string error;
        ASSERT_TRUE(output.Commit(&error)) << error;
    }
    {
        PendingOutput abandoned(folder / "dropped.pdf");
        std::ofstream(abandoned.WorkPath()) << "half";
    }
    EXPECT_EQ(Read(folder / "kept.pdf"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(PendingOutputTest, CommitWithoutWorkFailsAndLeavesTheTargetAlone) {
    TempDir folder;
    std::ofstream(folder / "kept.pdf") << "old";
    PendingOutput output(folder / "kept.pdf");
    std::string error;
    EXPECT_FALSE(output.Commit(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Read(folder / "kept.pdf"), "old");
}

TEST(PendingOutputTest, ALongTargetNameStillGivesAUsableWorkName) {
    TempDir folder;
    const std::string name = std::string(240, 'x') + ".pdf";
    PendingOutput output(folder / name);
    std::ofstream(output.WorkPath()) << "data";
    std::string error;
    EXPECT_TRUE(output.Commit(&error)) << error;
}

}  // namespace
