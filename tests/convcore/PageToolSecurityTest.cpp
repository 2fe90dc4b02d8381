#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>

#include <map>

#include "convcore/PageToolTestDocs.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;
using testdocs::RunTool;

class PageToolSecurityTest : public ::testing::Test {
protected:
    PageToolSecurityTest() { fs::create_directory(out_); }

    fs::path Source(const std::string& name, const std::string& data) {
        testdocs::WriteFile(folder_ / name, data);
        return folder_ / name;
    }

    convcore::TaskOutcome Perform(const std::string& cmd, const fs::path& source,
                                  const fs::path& target, const std::string& password = "",
                                  int compress_type = 0) {
        Json::Value record;
        record["cmd"] = cmd;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        if (!password.empty())
            record["password"] = password;
        if (compress_type != 0)
            record["compress_type"] = compress_type;
        RecordingContext context;
        return RunPageTool(record, context);
    }

    static bool OpensWith(const fs::path& pdf, const std::string& password) {
        return RunTool("qpdf", {"--password=" + password, "--check", pdf.string()});
    }

    TempDir folder_;
    const fs::path out_ = folder_ / "out";
};

TEST_F(PageToolSecurityTest, EncryptedOutputOpensWithItsPasswordOnly) {
    const fs::path source = Source("plain.pdf", NamedPagesPdf(3));
    const fs::path target = out_ / "locked.pdf";

    const convcore::TaskOutcome outcome = Perform("pdf_encrypt", source, target, "Secret42");

    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_TRUE(RunTool("qpdf", {"--requires-password", target.string()}));
    EXPECT_TRUE(OpensWith(target, "Secret42"));
    for (const char* wrong : {"", "secret42", "Secret4", "plain"})
        EXPECT_FALSE(OpensWith(target, wrong)) << wrong;
    EXPECT_EQ(PageTexts(target, "Secret42"), NamedPages({1, 2, 3}));
    EXPECT_TRUE(PageTexts(target).empty());
}

TEST_F(PageToolSecurityTest, DecryptedOutputOpensWithoutAPassword) {
    const fs::path locked = folder_ / "locked.pdf";
    ASSERT_TRUE(EncryptWithQpdf(Source("plain.pdf", NamedPagesPdf(4)), locked, "user", "owner"));
    for (const std::string password : {"user", "owner"}) {
        const fs::path target = out_ / ("open-with-" + password + ".pdf");
        const convcore::TaskOutcome outcome = Perform("pdf_decrypt", locked, target, password);
        ASSERT_TRUE(outcome.ok) << password << ": " << outcome.error;
        EXPECT_FALSE(RunTool("qpdf", {"--is-encrypted", target.string()})) << password;
        EXPECT_EQ(PageTexts(target), NamedPages({1, 2, 3, 4})) << password;
    }
}

TEST_F(PageToolSecurityTest, PageToolsOpenAnEncryptedSourceWithThePasswordAndWriteItPlain) {
    const fs::path locked = folder_ / "locked.pdf";
    ASSERT_TRUE(EncryptWithQpdf(Source("plain.pdf", NamedPagesPdf(4)), locked, "user", "owner"));
    Json::Value record;
    record["cmd"] = "pdf_pickup_pages";
    record["source_path"] = locked.string();
    record["target_path"] = (out_ / "picked.pdf").string();
    record["password"] = "user";
    record["pages"].append(4);
    RecordingContext context;
    ASSERT_TRUE(RunPageTool(record, context).ok);
    // The temporary pick-ups of a merge are merged again without passwords.
    EXPECT_FALSE(RunTool("qpdf", {"--is-encrypted", (out_ / "picked.pdf").string()}));
    EXPECT_EQ(PageTexts(out_ / "picked.pdf"), NamedPages({4}));
}

TEST_F(PageToolSecurityTest, LosslessCompressionShrinksAndKeepsEveryPage) {
    const fs::path source = Source("wordy.pdf", WordyPdf(6));
    const fs::path target = out_ / "small.pdf";

    const convcore::TaskOutcome outcome = Perform("pdf_compress", source, target, "", 1);

    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_LT(fs::file_size(target) * 4, fs::file_size(source));
    EXPECT_EQ(PageTexts(target), NamedPages({1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(RunTool("qpdf", {"--check", target.string()}));
}

TEST_F(PageToolSecurityTest, CompressingACompactFileFailsWithNineAndLeavesNothing) {
    const fs::path source = Source("wordy.pdf", WordyPdf(3));
    const fs::path compact = folder_ / "compact.pdf";
    ASSERT_TRUE(Perform("pdf_compress", source, compact, "", 1).ok);
    for (const int level : {1, 2, 3, 4}) {
        const convcore::TaskOutcome outcome =
            Perform("pdf_compress", compact, out_ / "again.pdf", "", level);
        EXPECT_FALSE(outcome.ok) << level;
        EXPECT_EQ(outcome.error, "9") << level;
        EXPECT_TRUE(FolderNames(out_).empty()) << level;
    }
}

// The widths of every picture in the document.
std::vector<long long> PictureWidths(const fs::path& pdf) {
    QPDF document;
    document.processFile(pdf.string().c_str());
    std::vector<long long> widths;
    for (QPDFObjectHandle object : document.getAllObjects()) {
        if (object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals("/Image"))
            widths.push_back(object.getDict().getKey("/Width").getIntValue());
    }
    return widths;
}

class CompressLevelsTest : public PageToolSecurityTest,
                           public ::testing::WithParamInterface<bool> {};

// Raw and JPEG pictures take different decoding paths; both must end within the size limits.
TEST_P(CompressLevelsTest, StrongerLevelsShrinkPicturesFurther) {
    const bool jpeg = GetParam();
    const fs::path source = Source("photo.pdf", PicturePdf(3000, 1200, jpeg));
    const std::string original = RenderFirstPage(source);
    ASSERT_FALSE(original.empty());
    // Sizes from the source on, each level's output after it.
    std::vector<std::uintmax_t> sizes = {fs::file_size(source)};
    const std::map<int, long long> widest = {{1, 3000}, {2, 3000}, {3, 2000}, {4, 1400}};
    for (const int level : {1, 2, 3, 4}) {
        const fs::path target = out_ / ("level" + std::to_string(level) + ".pdf");
        const convcore::TaskOutcome outcome = Perform("pdf_compress", source, target, "", level);
        if (jpeg && level == 1) {
            // A JPEG keeps every byte losslessly: nothing to gain, so the source stays.
            EXPECT_EQ(outcome.error, "9");
            continue;
        }
        ASSERT_TRUE(outcome.ok) << level << ": " << outcome.error;
        EXPECT_EQ(PageTexts(target), NamedPages({1})) << level;
        // Smaller, not different: colours and layout survive the scaling and the JPEG.
        EXPECT_LT(MeanDifference(RenderFirstPage(target), original), 4.0) << level;
        const std::vector<long long> widths = PictureWidths(target);
        ASSERT_EQ(widths.size(), 1u) << level;
        EXPECT_LE(widths[0], widest.at(level)) << level;
        EXPECT_GE(widths[0], widest.at(level) * 3 / 4) << level;
        EXPECT_LT(fs::file_size(target), sizes.back()) << level;
        sizes.push_back(fs::file_size(target));
    }
}

INSTANTIATE_TEST_SUITE_P(RawAndJpeg, CompressLevelsTest, ::testing::Bool());

}  // namespace
}  // namespace convcoretest
