#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "convcore/CommandDispatcher.h"
#include "convcore/RenderTestHelpers.h"
#include "convcore/TextToPdf.h"
#include "convcore/TextToPdfDecode.h"
#include "convcore/TextToPdfLayout.h"
#include "quire-mupdf/PdfFacts.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

using namespace std::string_literals;
using convcore::TextEncoding;
using rendertest::ListFolder;
using rendertest::PdftotextOf;
using rendertest::RecordingTask;

// "Hello 中文测试", then a second line.
const std::string kSample = "Hello \xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95\nsecond line\n";
const std::u16string kSample16 = u"Hello \u4E2D\u6587\u6D4B\u8BD5\nsecond line\n";
const std::string kSampleGb18030 = "Hello \xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4\nsecond line\n";
const char kReplacement[] = "\xEF\xBF\xBD";

std::string Utf16Bytes(std::u16string_view text, bool little_endian) {
    std::string bytes;
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += little_endian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

std::string WithoutSpace(std::string text) {
    std::erase_if(text, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    return text;
}

// The number in `name="..."` of the element that starts at `at`; -1 when it has none.
double AttributeOf(const std::string& html, std::size_t at, const std::string& name) {
    const std::size_t end = html.find('>', at);
    const std::size_t found = html.find(name + "=\"", at);
    if (found == std::string::npos || found > end)
        return -1;
    return std::stod(html.substr(found + name.size() + 2));
}

convcore::TaskOutcome RunTextToPdf(const std::filesystem::path& source,
                                   const std::filesystem::path& target, RecordingTask& task) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterTextToPdf(dispatcher);
    Json::Value record;
    record["cmd"] = "txt_to_pdf";
    record["source_path"] = source.string();
    record["target_path"] = target.string();
    return dispatcher.HandlerFor(record)(record, task);
}

TEST(TextToPdfDecodeTest, GuessesTheEncodingAndTidiesTheText) {
    struct Case {
        std::string label;
        std::string bytes;
        TextEncoding encoding;
        std::string text;
    };
    std::string chinese_run;
    for (int i = 0; i < 200; ++i)
        chinese_run += "\xE4\xB8\xAD";
    const Case cases[] = {
        {"empty", "", TextEncoding::kUtf8, ""},
        {"utf-8", "a\xE4\xB8\xAD", TextEncoding::kUtf8, "a\xE4\xB8\xAD"},
        {"utf-8 bom", "\xEF\xBB\xBFHi", TextEncoding::kUtf8, "Hi"},
        {"utf-16le bom", "\xFF\xFEH\0i\0\x2D\x4E"s, TextEncoding::kUtf16Le, "Hi\xE4\xB8\xAD"},
        {"utf-16be bom", "\xFE\xFF\0H\0i\x4E\x2D"s, TextEncoding::kUtf16Be, "Hi\xE4\xB8\xAD"},
        {"utf-16le without bom", Utf16Bytes(u"ab \u4E00\u4E2D", true), TextEncoding::kUtf16Le,
         "ab \xE4\xB8\x80\xE4\xB8\xAD"},
        {"utf-16be without bom", Utf16Bytes(u"ab \u4E2D", false), TextEncoding::kUtf16Be,
         "ab \xE4\xB8\xAD"},
        {"utf-16 cut in a unit",
         "\xFF\xFE"
         "A\0B"s,
         TextEncoding::kUtf16Le, std::string("A") + kReplacement},
        {"utf-16 lone surrogate",
         "\xFF\xFE\x00\xD8"
         "A\0"s,
         TextEncoding::kUtf16Le, std::string(kReplacement) + "A"},
        {"gb18030", "\xD6\xD0\xCE\xC4", TextEncoding::kGb18030, "\xE4\xB8\xAD\xE6\x96\x87"},
        {"gb18030 four bytes", "\xD6\xD0\x95\x32\x82\x36", TextEncoding::kGb18030,
         "\xE4\xB8\xAD\xF0\xA0\x80\x80"},
        {"gb18030 damaged", "\xD6\xD0\xFF\xCE\xC4", TextEncoding::kGb18030,
         std::string("\xE4\xB8\xAD") + kReplacement + "\xE6\x96\x87"},
        {"utf-8 with one stray byte", chinese_run + "\xFF", TextEncoding::kUtf8,
         chinese_run + kReplacement},
        {"line ends", "a\r\nb\rc\n\nd\n", TextEncoding::kUtf8, "a\nb\nc\n\nd"},
        {"tabs count characters", "a\tb\n\xE4\xB8\xAD\tx\n12345678\ty", TextEncoding::kUtf8,
         "a       b\n\xE4\xB8\xAD       x\n12345678        y"},
        {"control characters",
         "a\x01"
         "b\x7F\0"s,
         TextEncoding::kUtf8, "a b  "},
        {"only a line break", "\r\n", TextEncoding::kUtf8, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.label);
        const convcore::DecodedText decoded = convcore::DecodeTextFile(test.bytes);
        EXPECT_EQ(decoded.encoding, test.encoding);
        EXPECT_EQ(decoded.text, test.text);
    }
}

class TextToPdfTest : public ::testing::Test {
protected:
    // The text pdftotext finds in `pdf`.
    std::string TextOf(const std::filesystem::path& pdf) {
        return PdftotextOf(pdf, scratch_.Path());
    }

    TempDir folder_;
    TempDir scratch_;
    std::filesystem::path source_ = folder_ / "notes.txt";
    std::filesystem::path target_ = folder_ / "notes.pdf";
};

TEST_F(TextToPdfTest, EveryEncodingGivesBackItsText) {
    const std::pair<std::string, std::string> files[] = {
        {"utf-8", kSample},
        {"utf-8 bom", "\xEF\xBB\xBF" + kSample},
        {"utf-16le bom", "\xFF\xFE" + Utf16Bytes(kSample16, true)},
        {"utf-16be bom", "\xFE\xFF" + Utf16Bytes(kSample16, false)},
        {"utf-16le without bom", Utf16Bytes(kSample16, true)},
        {"gb18030", kSampleGb18030},
    };
    for (const auto& [label, bytes] : files) {
        SCOPED_TRACE(label);
        testdocs::WriteFile(source_, bytes);
        RecordingTask task;
        const convcore::TaskOutcome outcome = RunTextToPdf(source_, target_, task);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(WithoutSpace(TextOf(target_)), WithoutSpace(kSample));
        EXPECT_EQ(quiremupdf::CountPdfPages(target_), 1);
        EXPECT_EQ(task.Progress().back(), 100);
    }
}

TEST_F(TextToPdfTest, LongLinesWrapInsideTheMarginsWithoutLosingText) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "\xE4\xB8\xAD\xE6\x96\x87";        // an unbroken Chinese run over one shaping chunk
    text += "\n" + std::string(2000, 'w') + "\n";  // one word wider than the page
    for (int i = 0; i < 300; ++i)
        text += "word" + std::to_string(i) + " ";
    testdocs::WriteFile(source_, text);
    RecordingTask task;
    const convcore::TaskOutcome outcome = RunTextToPdf(source_, target_, task);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    const std::string found = WithoutSpace(TextOf(target_));
    EXPECT_EQ(found.size(), WithoutSpace(text).size());
    EXPECT_TRUE(found == WithoutSpace(text)) << "the text came back changed";

    const std::filesystem::path boxes = scratch_ / "boxes.html";
    ASSERT_TRUE(testdocs::RunTool("pdftotext", {"-bbox", target_.string(), boxes.string()}));
    const std::string html = rendertest::ReadFile(boxes);
    const convcore::TextPageStyle style;
    int words = 0;
    for (std::size_t at = html.find("<word "); at != std::string::npos;
         at = html.find("<word ", at + 1)) {
        ++words;
        const double left = AttributeOf(html, at, "xMin");
        const double right = AttributeOf(html, at, "xMax");
        EXPECT_GE(left, style.margin - 1) << html.substr(at, 80);
        EXPECT_LE(right, style.page_width - style.margin + 1) << html.substr(at, 80);
    }
    EXPECT_GT(words, 300);
}

TEST_F(TextToPdfTest, ManyLinesRunOntoMorePagesInOrder) {
    std::string text;
    for (int line = 1; line <= 200; ++line)
        text += "line " + std::to_string(line) + "\r\n";
    testdocs::WriteFile(source_, text);
    RecordingTask task;
    const convcore::TaskOutcome outcome = RunTextToPdf(source_, target_, task);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_GT(quiremupdf::CountPdfPages(target_), 1);
    const std::string found = TextOf(target_);
    std::size_t at = 0;
    for (int line = 1; line <= 200; ++line) {
        at = found.find("line " + std::to_string(line) + "\n", at);
        ASSERT_NE(at, std::string::npos) << "line " << line;
    }
    const std::vector<int> progress = task.Progress();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(TextToPdfTest, CharactersThatBreakCffSubsettingComeThrough) {
    // U+71BA then U+6198: in this order, subsetting them from a CID-keyed CFF face (Noto CJK)
    // aborts the process inside cairo 1.16.
    const std::string text = "\xE7\x86\xBA\xE6\x86\x98";
    testdocs::WriteFile(source_, text);
    RecordingTask task;
    const convcore::TaskOutcome outcome = RunTextToPdf(source_, target_, task);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(WithoutSpace(TextOf(target_)), text);
}

TEST_F(TextToPdfTest, AnEmptyFileGivesOneEmptyPage) {
    testdocs::WriteFile(source_, "");
    RecordingTask task;
    const convcore::TaskOutcome outcome = RunTextToPdf(source_, target_, task);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(quiremupdf::CountPdfPages(target_), 1);
    EXPECT_EQ(WithoutSpace(TextOf(target_)), "");
}

TEST_F(TextToPdfTest, FailuresLeaveNothingBehind) {
    std::string long_text;
    for (int line = 0; line < 5000; ++line)
        long_text += "a line of text that is here to fill pages\n";
    const std::filesystem::path long_file = folder_ / "long.txt";
    testdocs::WriteFile(long_file, long_text);
    const std::filesystem::path huge_file = folder_ / "huge.txt";
    testdocs::WriteFile(huge_file, "");
    std::filesystem::resize_file(huge_file, convcore::kMaxTextFileBytes + 1);
    testdocs::WriteFile(source_, kSample);

    struct Case {
        std::string label;
        std::filesystem::path source;
        std::filesystem::path target;
        int cancel_at;  // progress at which the task is cancelled; above 100: never
        std::string error_part;
    };
    const Case cases[] = {
        {"missing source", folder_ / "absent.txt", target_, 1000, "file not found"},
        {"source is a folder", folder_.Path(), target_, 1000, "cannot read"},
        {"too large", huge_file, target_, 1000, "larger than 32 MB"},
        {"target folder is a file", source_, source_ / "out.pdf", 1000, "cannot write"},
        {"cancelled at once", source_, target_, 0, "cancelled"},
        {"cancelled between pages", long_file, target_, 30, "cancelled"},
    };
    const std::vector<std::string> before = ListFolder(folder_.Path());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.label);
        RecordingTask task;
        task.CancelAtProgress(test.cancel_at);
        const convcore::TaskOutcome outcome = RunTextToPdf(test.source, test.target, task);
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.error.find(test.error_part), std::string::npos) << outcome.error;
        EXPECT_EQ(ListFolder(folder_.Path()), before);
    }
}

}  // namespace
