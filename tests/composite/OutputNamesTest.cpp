#include "composite/OutputNames.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(OutputNamesTest, DesktopFolderNamesAreTrimmedAndNumbered) {
    TempDir desktop;
    const auto first = output_names::MakeUniqueFolder(desktop.Path(), "scan. . ");
    const auto second = output_names::MakeUniqueFolder(desktop.Path(), "scan");
    const auto third = output_names::MakeUniqueFolder(desktop.Path(), "scan.");
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(*first, desktop / "scan");
    EXPECT_EQ(*second, desktop / "scan(1)");
    EXPECT_EQ(*third, desktop / "scan(2)");
    EXPECT_TRUE(fs::is_directory(*third));
    EXPECT_FALSE(output_names::MakeUniqueFolder(desktop.Path(), ". ."));
}

TEST(OutputNamesTest, RangeFilesNameTheTitleAndPages) {
    EXPECT_EQ(output_names::FileTitle("/d/q3.report.pdf"), "q3.report");
    EXPECT_EQ(output_names::Extension("/d.x/report"), "");
    EXPECT_EQ(output_names::RangeFile("/out", "q3.report", 51, 100, "PDF"),
              "/out/q3.report(51-100).PDF");
    EXPECT_EQ(output_names::RangeFile("/out", "notes", 1, 1, ""), "/out/notes(1-1)");
}

}  // namespace
