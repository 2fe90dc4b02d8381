#include <gtest/gtest.h>

#include "convcore/RenderTestHelpers.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace rendertest {
namespace {

struct Command {
    std::string name;
    std::string output;  // below the output folder; empty: the folder itself is the target
    const char* target_key = "target_path";
};

const Command kCommands[] = {
    {"pdf_to_png", ""},
    {"pdf_to_jpg", ""},
    {"pdf_to_bmp", ""},
    {"pdf_to_txt", "doc.txt"},
    {"pdf_to_html", "doc.html"},
    {"pdf_to_img_pdf", "doc.pdf"},
    {"pdf_extract_images", "", "target_dir"},
};

class RenderFailuresTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Each page has a stored JPEG, so every command has something to write.
        testdocs::WriteFile(plain_, PicturesPdf(MakeJpeg(16, 16), 16, 16));
        ASSERT_TRUE(testdocs::RunTool("qpdf", {"--encrypt", "user-pw", "owner-pw", "256", "--",
                                               plain_.string(), locked_.string()}));
        testdocs::WriteFile(garbage_, "this is no PDF at all\n");
    }

    Json::Value Record(const Command& command, const std::filesystem::path& source,
                       const std::filesystem::path& out) const {
        Json::Value record;
        record["cmd"] = command.name;
        record["source_path"] = source.string();
        record[command.target_key] = (command.output.empty() ? out : out / command.output).string();
        record["scale"] = 1.0;
        record["merge"] = 0;
        record["pagePerImage"] = 1;
        return record;
    }

    TempDir folder_;
    std::filesystem::path plain_ = folder_ / "plain.pdf";
    std::filesystem::path locked_ = folder_ / "locked.pdf";
    std::filesystem::path garbage_ = folder_ / "garbage.pdf";
};

TEST_F(RenderFailuresTest, EveryFailureEndsWithAReasonAndLeavesNothing) {
    struct Case {
        std::string label;
        std::filesystem::path source;
        std::string password;
        Json::Value pages;  // null: absent
        bool cancelled;
        std::string error_part;  // found in the error; at its start for passwords
    };
    Json::Value beyond(Json::arrayValue);
    beyond.append(1);
    beyond.append(5);
    const Case cases[] = {
        {"missing", folder_ / "absent.pdf", "", Json::Value(), false, "file not found"},
        {"not a PDF", garbage_, "", Json::Value(), false, "cannot open"},
        {"no password", locked_, "", Json::Value(), false, "Invalid password"},
        {"wrong password", locked_, "guess", Json::Value(), false, "Invalid password"},
        {"page beyond", plain_, "", beyond, false, "page 5"},
        {"empty page list", plain_, "", Json::Value(Json::arrayValue), false, "no pages"},
        {"cancelled", plain_, "", Json::Value(), true, "cancelled"},
    };
    const auto before = ListFolder(folder_.Path());
    for (const Command& command : kCommands) {
        for (const Case& test : cases) {
            SCOPED_TRACE(command.name + ": " + test.label);
            Json::Value record = Record(command, test.source, folder_ / "out" / "deeper");
            if (!test.password.empty())
                record["password"] = test.password;
            if (!test.pages.isNull())
                record["pages"] = test.pages;
            RecordingTask task;
            if (test.cancelled)
                task.Cancel();
            const auto outcome = RunCommand(record, task);
            EXPECT_FALSE(outcome.ok);
            const auto found = outcome.error.find(test.error_part);
            EXPECT_TRUE(test.error_part == "Invalid password" ? found == 0
                                                              : found != std::string::npos)
                << outcome.error;
            EXPECT_EQ(ListFolder(folder_.Path()), before);
        }
    }
}

TEST_F(RenderFailuresTest, AnOutputFolderThatCannotBeMadeFailsCleanly) {
    testdocs::WriteFile(folder_ / "blocker", "a file where a folder should be");
    const auto before = ListFolder(folder_.Path());
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        RecordingTask task;
        const auto outcome = RunCommand(Record(command, plain_, folder_ / "blocker" / "out"), task);
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_EQ(ListFolder(folder_.Path()), before);
        EXPECT_EQ(ReadFile(folder_ / "blocker"), "a file where a folder should be");
    }
}

TEST_F(RenderFailuresTest, TheRightPasswordOpensTheDocumentForEveryCommand) {
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        const auto out = folder_ / ("out-" + command.name);
        Json::Value record = Record(command, locked_, out);
        record["password"] = "user-pw";
        RecordingTask task;
        const auto outcome = RunCommand(record, task);
        EXPECT_TRUE(outcome.ok) << outcome.error;
        EXPECT_FALSE(ListFolder(out).empty());
    }
}

}  // namespace
}  // namespace rendertest
