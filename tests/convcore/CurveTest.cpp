#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "convcore/CommandDispatcher.h"
#include "convcore/CurveCommand.h"
#include "convcore/CurveGhostscript.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderTestHelpers.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "quire-mupdf/PdfFacts.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

using rendertest::ListFolder;
using rendertest::RecordingTask;

constexpr int kPageHeight = 842;  // the test documents' A4 pages, in points

// A rectangle on a page in points, from the top left as an image shows it.
struct Area {
    int left, top, right, bottom;
};
// Where the test documents' "Hello" stands.
constexpr Area kHelloArea{60, 100, 140, 135};

// Pixels darker than mid-gray in `area` of page `page` (1-based), drawn by MuPDF at 72 dpi;
// -1 when the page cannot be drawn.
int DarkPixels(const std::filesystem::path& pdf, int page, Area area) {
    std::string error;
    const auto document = convcore::RenderDocument::Open(pdf, "", &error);
    if (document == nullptr)
        return -1;
    fz_context* context = document->Context();
    convcore::PixmapHandle pixmap(context);
    if (!convcore::CatchMupdf(
            context,
            [&] {
                pixmap.Slot() =
                    fz_new_pixmap_from_page_number(context, document->Document(), page - 1,
                                                   fz_identity, fz_device_gray(context), 0);
            },
            &error))
        return -1;
    const int width = fz_pixmap_width(context, pixmap.Get());
    const int height = fz_pixmap_height(context, pixmap.Get());
    const int stride = fz_pixmap_stride(context, pixmap.Get());
    const unsigned char* samples = fz_pixmap_samples(context, pixmap.Get());
    int dark = 0;
    for (int y = area.top; y < std::min(area.bottom, height); ++y) {
        for (int x = area.left; x < std::min(area.right, width); ++x)
            dark += samples[static_cast<std::size_t>(y) * stride + x] < 128 ? 1 : 0;
    }
    return dark;
}

std::string WithoutSpace(std::string text) {
    std::erase_if(text, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    return text;
}

// Whether a running process has `text` in its command line.
bool AnyProcessMentions(const std::string& text) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (!std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(c) != 0; }))
            continue;
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        std::stringstream line;
        line << in.rdbuf();
        if (line.str().find(text) != std::string::npos)
            return true;
    }
    return false;
}

// Page n (1-based) shows a black square at a place of its own, so that pages can be told
// apart after their text is gone.
std::string SquarePage(int n) {
    return platform::Format("0 g %d 400 50 50 re f ", 100 * n) + testdocs::kTextContent;
}
Area SquareArea(int n) {
    return Area{100 * n + 10, kPageHeight - 440, 100 * n + 40, kPageHeight - 410};
}

// Pages of small text that keep gs busy for seconds.
std::string BusyPdf(int pages) {
    std::string content = "BT /F1 6 Tf 20 830 Td 7 TL ";
    for (int line = 0; line < 60; ++line)
        content += "(The quick brown fox jumps over the lazy dog, again and again and again) ' ";
    content += "ET";
    return testdocs::BuildPdf(
        std::vector<testdocs::TestPage>(static_cast<std::size_t>(pages), {content, ""}));
}

class CurveTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdocs::WriteFile(
            plain_,
            testdocs::BuildPdf({{SquarePage(1), ""}, {SquarePage(2), ""}, {SquarePage(3), ""}}));
        ASSERT_TRUE(testdocs::RunTool("qpdf", {"--encrypt", "user-pw", "owner-pw", "256", "--",
                                               plain_.string(), locked_.string()}));
        testdocs::WriteFile(garbage_, "%PDF-1.4\nnothing else of a PDF here\n");
    }

    convcore::TaskOutcome Run(const std::filesystem::path& source, const std::string& password,
                              const Json::Value& pages, RecordingTask& task,
                              const std::filesystem::path& target) const {
        convcore::CommandDispatcher dispatcher;
        convcore::RegisterCurveCommand(dispatcher);
        Json::Value record;
        record["cmd"] = "pdf_to_curve";
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        if (!password.empty())
            record["password"] = password;
        if (!pages.isNull())
            record["pages"] = pages;
        return dispatcher.HandlerFor(record)(record, task);
    }

    // The output has `squares` pages, the n-th showing the square of source page squares[n],
    // and no text in its text layer while "Hello" is still drawn.
    void ExpectOutlinedPages(const std::vector<int>& squares) {
        ASSERT_EQ(quiremupdf::CountPdfPages(target_), static_cast<int>(squares.size()));
        EXPECT_EQ(WithoutSpace(rendertest::PdftotextOf(target_, scratch_.Path())), "");
        for (std::size_t page = 0; page < squares.size(); ++page) {
            SCOPED_TRACE(platform::Format("page %d", static_cast<int>(page) + 1));
            const int number = static_cast<int>(page) + 1;
            EXPECT_GT(DarkPixels(target_, number, kHelloArea), 20);
            for (int square = 1; square <= 3; ++square) {
                const int dark = DarkPixels(target_, number, SquareArea(square));
                EXPECT_EQ(dark > 0, square == squares[page]) << "square " << square;
            }
        }
    }

    TempDir folder_;
    TempDir scratch_;
    std::filesystem::path plain_ = folder_ / "plain.pdf";
    std::filesystem::path locked_ = folder_ / "locked.pdf";
    std::filesystem::path garbage_ = folder_ / "garbage.pdf";
    std::filesystem::path target_ = folder_ / "out 100%d.pdf";
};

TEST_F(CurveTest, TextBecomesPathsThatStillShow) {
    ASSERT_NE(WithoutSpace(rendertest::PdftotextOf(plain_, scratch_.Path())), "");
    RecordingTask task;
    const convcore::TaskOutcome outcome = Run(plain_, "", Json::Value(), task, target_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    ExpectOutlinedPages({1, 2, 3});
    // The paths cover what the glyphs covered.
    const int glyphs = DarkPixels(plain_, 1, kHelloArea);
    EXPECT_NEAR(DarkPixels(target_, 1, kHelloArea), glyphs, glyphs / 5);
    // No font is left to embed or name.
    const std::filesystem::path expanded = scratch_ / "expanded.pdf";
    ASSERT_TRUE(testdocs::RunTool(
        "qpdf", {"--qdf", "--object-streams=disable", target_.string(), expanded.string()}));
    EXPECT_EQ(rendertest::ReadFile(expanded).find("/Font"), std::string::npos);
    const std::vector<int> progress = task.Progress();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(CurveTest, ChosenPagesComeInTheOrderAsked) {
    Json::Value pages(Json::arrayValue);
    pages.append(3);
    pages.append(1);
    pages.append(3);
    RecordingTask task;
    const convcore::TaskOutcome outcome = Run(plain_, "", pages, task, target_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    ExpectOutlinedPages({3, 1, 3});
}

TEST_F(CurveTest, EncryptedDocumentsOpenWithEitherPassword) {
    for (const std::string password : {"user-pw", "owner-pw"}) {
        SCOPED_TRACE(password);
        RecordingTask task;
        const convcore::TaskOutcome outcome = Run(locked_, password, Json::Value(), task, target_);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        ExpectOutlinedPages({1, 2, 3});
    }
}

TEST_F(CurveTest, FailuresEndWithAReasonAndLeaveNothing) {
    struct Case {
        std::string label;
        std::filesystem::path source;
        std::string password;
        Json::Value pages;  // null: absent
        std::filesystem::path target;
        std::string error_part;
        bool at_start = false;  // the error must start with error_part
    };
    Json::Value beyond(Json::arrayValue);
    beyond.append(2);
    beyond.append(4);
    const Case cases[] = {
        {"no password", locked_, "", Json::Value(), target_, "Invalid password", true},
        {"wrong password", locked_, "guess", Json::Value(), target_, "Invalid password", true},
        {"missing", folder_ / "absent.pdf", "", Json::Value(), target_, "file not found"},
        {"not a PDF", garbage_, "", Json::Value(), target_, "cannot read the PDF"},
        {"page beyond", plain_, "", beyond, target_, "page 4"},
        {"empty page list", plain_, "", Json::Value(Json::arrayValue), target_, "no pages"},
        {"target folder missing", plain_, "", Json::Value(), folder_ / "none" / "out.pdf",
         "cannot write"},
    };
    const std::vector<std::string> before = ListFolder(folder_.Path());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.label);
        RecordingTask task;
        const convcore::TaskOutcome outcome =
            Run(test.source, test.password, test.pages, task, test.target);
        EXPECT_FALSE(outcome.ok);
        const std::size_t found = outcome.error.find(test.error_part);
        EXPECT_TRUE(test.at_start ? found == 0 : found != std::string::npos) << outcome.error;
        EXPECT_EQ(ListFolder(folder_.Path()), before);
    }
}

TEST_F(CurveTest, WithoutGhostscriptTheTaskSaysSo) {
    TempDir empty_path;
    const ScopedEnv path("PATH", empty_path.Path().string());
    RecordingTask task;
    const convcore::TaskOutcome outcome = Run(plain_, "", Json::Value(), task, target_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.error.find("Ghostscript (gs) is not installed"), std::string::npos)
        << outcome.error;
    EXPECT_FALSE(std::filesystem::exists(target_));
}

TEST_F(CurveTest, CancelAndTimeLimitStopGhostscript) {
    const std::filesystem::path busy = folder_ / "busy.pdf";
    testdocs::WriteFile(busy, BusyPdf(40));
    const std::vector<std::string> before = ListFolder(folder_.Path());

    RecordingTask task;
    task.CancelAtProgress(11);  // once gs has finished its first page
    const convcore::TaskOutcome cancelled = Run(busy, "", Json::Value(), task, target_);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.error, "cancelled");
    EXPECT_FALSE(AnyProcessMentions(folder_.Path().string()));
    EXPECT_EQ(ListFolder(folder_.Path()), before);

    TempDir gs_temp;
    convcore::GhostscriptJob job;
    job.ghostscript = platform::FindInPath("gs");
    job.input = busy;
    job.output = scratch_ / "out.pdf";
    job.temp_folder = gs_temp.Path();
    job.page_count = 40;
    job.time_limit = std::chrono::milliseconds(300);
    RecordingTask timed;
    std::string error;
    EXPECT_EQ(convcore::RunGhostscriptOutlines(job, timed, &error),
              convcore::GhostscriptStatus::kFailed);
    EXPECT_NE(error.find("took longer"), std::string::npos) << error;
    EXPECT_FALSE(AnyProcessMentions(scratch_.Path().string()));
}

}  // namespace
