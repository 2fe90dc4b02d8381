// What a person reads about a finished file: failure reasons and the progress display.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/FailureText.h"
#include "cli/ProgressView.h"
#include "composite/IOnlineConverter.h"
#include "tasks/ICvtTask.h"

namespace {

std::string Describe(const std::string& error, int code = 0, bool cancelled = false) {
    auto* task = new ICvtTask(nullptr);
    task->SetErrorMsg(error);
    task->SetErrorCode(code);
    if (cancelled)
        task->Cancel();
    const std::string text = cli::DescribeFailure(*task);
    task->Release();
    return text;
}

TEST(FailureTextTest, ReasonsAreNamedPlainly) {
    EXPECT_EQ(Describe("Invalid password: the password does not open a.pdf"),
              "密码错误 (Invalid password: the password does not open a.pdf)");
    EXPECT_EQ(Describe("", 4101005), "源文件类型不支持");
    EXPECT_EQ(Describe("cannot open a.pdf: broken"), "cannot open a.pdf: broken");
    EXPECT_EQ(Describe(""), "no reason was given");
    EXPECT_EQ(Describe("anything", 0, true), "cancelled");

    const std::string both =
        Describe(std::string("unsupported command: pdf_to_docx; ") + kOnlineNotAllowed);
    EXPECT_NE(both.find("the local conversion core cannot do this yet"), std::string::npos);
    EXPECT_NE(both.find("uploading to the online service is not agreed"), std::string::npos);
    EXPECT_NE(both.find("(unsupported command: pdf_to_docx;"), std::string::npos);
    EXPECT_NE(Describe(kOnlineNotSetUp).find("the online conversion service is not set up yet"),
              std::string::npos);
}

TEST(ProgressViewTest, BarsAreRedrawnInPlaceOnATerminal) {
    std::ostringstream out;
    std::ostringstream err;
    cli::ProgressView view(out, err, true, 60);
    view.ShowBars({{"a.pdf", 50}, {"b.pdf", -1}});
    const std::size_t first_drawing = out.str().size();
    view.ShowBars({{"a.pdf", 50}, {"b.pdf", -1}});
    EXPECT_EQ(out.str().size(), first_drawing);  // unchanged bars are not drawn again
    view.ShowBars({{"a.pdf", 100}});
    view.Succeeded("done: a.pdf");
    const std::string text = out.str();
    EXPECT_NE(text.find("[##########..........]  50% a.pdf\n[....................]   -- b.pdf\n"),
              std::string::npos);
    // The second drawing goes back over the two lines of the first; the outcome line over the
    // bar, which later drawings then put below it.
    EXPECT_NE(
        text.find("\x1b[2F\x1b[J[####################] 100% a.pdf\n\x1b[1F\x1b[Jdone: a.pdf\n"),
        std::string::npos)
        << text;

    std::ostringstream plain_out;
    cli::ProgressView plain(plain_out, err, false);
    plain.Started("a.pdf");
    plain.ShowBars({{"a.pdf", 50}});
    plain.Succeeded("done: a.pdf");
    EXPECT_EQ(plain_out.str(), "started: a.pdf\ndone: a.pdf\n");
}

TEST(ProgressViewTest, BarLabelsFitTheWidth) {
    const std::string line = cli::ProgressView::BarLine({std::string(200, 'x'), 10}, 60);
    EXPECT_EQ(line.size(), 60u);
}

}  // namespace
