#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "convcore/OfficeHelperClient.h"
#include "convcore/OfficeTestSupport.h"
#include "convcore/PageToolTestDocs.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;
using convcore::OfficeJobResult;

class OfficeConversionTest : public OfficeTest {
protected:
    // Converts and expects success, a PDF in place and nothing else left in the folder.
    std::string ConvertExpectingText(const std::string& command, const fs::path& source) {
        const fs::path target = folder_ / (source.stem().string() + "-" + command + ".pdf");
        OfficeTaskContext context;
        const auto outcome =
            RunOfficeCommand(command, source, target, context, TestOfficeSettings());
        EXPECT_TRUE(outcome.ok) << command << ": " << outcome.error;
        for (std::size_t i = 1; i < context.progress.size(); ++i)
            EXPECT_LE(context.progress[i - 1], context.progress[i]) << command;
        for (const std::string& name : FolderNames(folder_.Path()))
            EXPECT_NE(name.front(), '.') << command << " left " << name;
        return PdfText(target);
    }
};

TEST_F(OfficeConversionTest, EachCommandWritesThePdfOfItsDocument) {
    WriteWordText(folder_ / "letter.docx", {"Dear reader", "Second paragraph"});
    WriteFormulaSheet(folder_ / "sums.xlsx");
    WriteOneSlide(folder_ / "deck.pptx", "Slide about apples");
    struct Case {
        const char* command;
        const char* source;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    // LibreOffice reads by content, so each document also goes through the command of the older
    // format of its family.
    const Case cases[] = {
        {"docx_to_pdf", "letter.docx", {"Dear reader", "Second paragraph"}, {}},
        {"doc_to_pdf", "letter.docx", {"Dear reader"}, {}},
        // Formulas are computed on load: one had no cached result, one a stale one.
        {"xlsx_to_pdf", "sums.xlsx", {"42", "1013"}, {"999"}},
        {"xls_to_pdf", "sums.xlsx", {"42", "1013"}, {"999"}},
        {"pptx_to_pdf", "deck.pptx", {"Slide about apples"}, {}},
        {"ppt_to_pdf", "deck.pptx", {"Slide about apples"}, {}},
    };
    for (const Case& c : cases) {
        const std::string text = ConvertExpectingText(c.command, folder_ / c.source);
        for (const std::string& expected : c.present)
            EXPECT_NE(text.find(expected), std::string::npos) << c.command << ": " << text;
        for (const std::string& unexpected : c.absent)
            EXPECT_EQ(text.find(unexpected), std::string::npos) << c.command << ": " << text;
    }
}

TEST_F(OfficeConversionTest, ChineseTextWithoutALanguageGetsSimplifiedForms) {
    // Characters whose Japanese and Simplified Chinese forms differ, large enough to tell apart.
    const std::vector<std::string> text = {"直骨令 中文"};
    constexpr int kHalfPoints = 200;
    WriteWordText(folder_ / "plain.docx", text, "", kHalfPoints);
    WriteWordText(folder_ / "chinese.docx", text, "zh-CN", kHalfPoints);
    WriteWordText(folder_ / "japanese.docx", text, "ja-JP", kHalfPoints);
    std::map<std::string, std::string> drawn;
    for (const char* name : {"plain", "chinese", "japanese"}) {
        const fs::path source = folder_ / (std::string(name) + ".docx");
        EXPECT_NE(ConvertExpectingText("docx_to_pdf", source).find("直骨令"), std::string::npos);
        const fs::path pdf = folder_ / (std::string(name) + "-docx_to_pdf.pdf");
        // The embedded face comes from the Noto CJK collection.
        EXPECT_NE(testdocs::ReadFile(pdf).find("CJK"), std::string::npos) << name;
        drawn[name] = RenderFirstPage(pdf);
        ASSERT_FALSE(drawn[name].empty()) << name;
    }
    EXPECT_EQ(drawn["plain"], drawn["chinese"]);
    EXPECT_NE(drawn["plain"], drawn["japanese"]);
}

TEST_F(OfficeConversionTest, ConversionsAtOnceAllSucceedWhenThereAreFewerSlots) {
    // Three at once on two slots: one waits for a slot instead of sharing a profile.
    convcore::OfficeSettings settings = TestOfficeSettings();
    settings.slots = 2;
    constexpr int kJobs = 3;
    std::vector<convcore::TaskOutcome> outcomes(kJobs);
    std::vector<std::thread> jobs;
    for (int job = 0; job < kJobs; ++job) {
        const fs::path source = folder_ / ("part" + std::to_string(job) + ".docx");
        WriteWordText(source, {"Part number " + std::to_string(job)});
        jobs.emplace_back([&, job, source] {
            OfficeTaskContext context;
            outcomes[job] = RunOfficeCommand("docx_to_pdf", source,
                                             folder_ / ("part" + std::to_string(job) + ".pdf"),
                                             context, settings);
        });
    }
    for (auto& job : jobs)
        job.join();
    for (int job = 0; job < kJobs; ++job) {
        EXPECT_TRUE(outcomes[job].ok) << job << ": " << outcomes[job].error;
        const std::string text = PdfText(folder_ / ("part" + std::to_string(job) + ".pdf"));
        EXPECT_NE(text.find("Part number " + std::to_string(job)), std::string::npos) << text;
    }
}

TEST_F(OfficeConversionTest, WordAndExcelDocumentsSaveInTheOlderFormats) {
    WriteWordText(folder_ / "letter.docx", {"Dear reader"});
    WriteFormulaSheet(folder_ / "sums.xlsx");
    const struct {
        const char* source;
        const char* format;
        const char* back_command;
        const char* text;
    } cases[] = {{"letter.docx", "doc", "doc_to_pdf", "Dear reader"},
                 {"sums.xlsx", "xls", "xls_to_pdf", "1013"}};
    for (const auto& c : cases) {
        const fs::path old_format = folder_ / (std::string(c.source) + "." + c.format);
        convcore::OfficeJob job{folder_ / c.source, old_format, ""};
        job.format = c.format;
        const OfficeJobResult result =
            convcore::RunOfficeJob(job, TestOfficeSettings(), [] { return true; });
        ASSERT_EQ(result.end, OfficeJobResult::End::kDone) << result.error;
        // Both older formats are compound files; the text survives the trip back to PDF.
        EXPECT_EQ(testdocs::ReadFile(old_format).substr(0, 4), "\xD0\xCF\x11\xE0") << c.format;
        EXPECT_NE(ConvertExpectingText(c.back_command, old_format).find(c.text), std::string::npos)
            << c.format;
    }
    convcore::OfficeJob unknown{folder_ / "letter.docx", folder_ / "letter.odt", ""};
    unknown.format = "odt";
    const OfficeJobResult refused =
        convcore::RunOfficeJob(unknown, TestOfficeSettings(), [] { return true; });
    EXPECT_EQ(refused.end, OfficeJobResult::End::kFailed);
    EXPECT_FALSE(fs::exists(folder_ / "letter.odt"));
}

TEST_F(OfficeConversionTest, LaterConversionsReuseTheRunningHelper) {
    WriteWordText(folder_ / "first.docx", {"First"});
    WriteWordText(folder_ / "second.docx", {"Second"});
    const auto run = [&](const char* name, OfficeJobResult* result) {
        const auto start = std::chrono::steady_clock::now();
        *result = convcore::RunOfficeJob(
            {folder_ / (std::string(name) + ".docx"), folder_ / (std::string(name) + ".pdf"), ""},
            TestOfficeSettings(), [] { return true; });
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    OfficeJobResult first;
    OfficeJobResult second;
    const auto first_ms = run("first", &first);
    const auto second_ms = run("second", &second);
    ASSERT_EQ(first.end, OfficeJobResult::End::kDone) << first.error;
    ASSERT_EQ(second.end, OfficeJobResult::End::kDone) << second.error;
    // One after the other, both take the first slot and its helper.
    EXPECT_EQ(first.slot, 0);
    EXPECT_EQ(second.slot, 0);
    EXPECT_NE(first.helper_pid, 0);
    EXPECT_EQ(second.helper_pid, first.helper_pid);
    RecordProperty("first_ms", std::to_string(first_ms));
    RecordProperty("second_ms", std::to_string(second_ms));
    std::printf("first conversion %lld ms, second %lld ms\n", static_cast<long long>(first_ms),
                static_cast<long long>(second_ms));
}

}  // namespace
}  // namespace convcoretest
