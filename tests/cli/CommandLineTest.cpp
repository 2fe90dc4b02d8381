// The command line up to the start of a batch: parsing, help, and the checks the windows make
// before they start anything. None of these cases reaches a conversion core.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliApp.h"
#include "cli/CommandLine.h"
#include "cli/FunctionTable.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RunApp(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    cli::CliApp app(out, err, false);
    const int status = app.Run(arguments);
    return {status, out.str(), err.str()};
}

TEST(CommandLineTest, EveryFunctionOfTheTabsIsOffered) {
    const char* const kNames[] = {"pdf-to-word",
                                  "pdf-to-excel",
                                  "pdf-to-ppt",
                                  "pdf-to-image",
                                  "pdf-to-txt",
                                  "pdf-to-cad",
                                  "pdf-to-image-pdf",
                                  "pdf-to-curve",
                                  "word-to-pdf",
                                  "excel-to-pdf",
                                  "ppt-to-pdf",
                                  "image-to-pdf",
                                  "cad-to-pdf",
                                  "html-to-pdf",
                                  "txt-to-pdf",
                                  "split",
                                  "merge",
                                  "encrypt",
                                  "extract-pages",
                                  "delete-pages",
                                  "extract-images",
                                  "watermark",
                                  "compress",
                                  "ocr",
                                  "image-resize",
                                  "image-compress",
                                  "office-to-image",
                                  "image-convert",
                                  "info"};
    const Outcome general = RunApp({"--help"});
    EXPECT_EQ(general.status, 0);
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        const cli::ParseResult parsed = cli::ParseCommandLine({name, "in.pdf", "-o", "out"});
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        EXPECT_EQ(parsed.invocation.function->name, name);
        EXPECT_EQ(parsed.invocation.files, std::vector<std::string>{"in.pdf"});
        EXPECT_EQ(parsed.invocation.output_folder, "out");
        EXPECT_NE(general.out.find(std::string("  ") + name + " "), std::string::npos);

        const Outcome help = RunApp({name, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find(std::string("usage: quire-cli ") + name), std::string::npos);
        for (const cli::CliOption& option : cli::FindFunction(name)->options)
            EXPECT_NE(help.out.find("--" + std::string(option.name)), std::string::npos);
    }
}

TEST(CommandLineTest, OptionsAnywhereAndValuesInBothForms) {
    const cli::ParseResult parsed = cli::ParseCommandLine(
        {"split", "a.pdf", "--every=3", "--password", "pw", "b.pdf", "--", "--odd.pdf"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.invocation.files, (std::vector<std::string>{"a.pdf", "b.pdf", "--odd.pdf"}));
    EXPECT_EQ(parsed.invocation.options.at("every"), "3");
    EXPECT_EQ(parsed.invocation.options.at("password"), "pw");
    EXPECT_FALSE(parsed.invocation.output_folder.has_value());
}

struct UsageCase {
    std::vector<std::string> arguments;
    std::string message;  // part of what the user reads
};

TEST(CommandLineTest, UsageErrorsExitWithTwoAndSayWhy) {
    const std::string name31(31, 'n');
    const std::vector<UsageCase> cases = {
        {{}, "no function given"},
        {{"convert-all", "a.pdf"}, "unknown function 'convert-all'"},
        {{"split", "--bogus", "a.pdf"}, "unknown option '--bogus' for split"},
        {{"split", "-x", "a.pdf"}, "unknown option '-x'"},
        {{"merge", "--long-image", "a.pdf", "b.pdf"}, "unknown option '--long-image' for merge"},
        {{"split"}, "no files given"},
        {{"split", "a.pdf", "--every"}, "option '--every' needs a value"},
        {{"split", "a.pdf", "-o"}, "option '-o' needs a value"},
        {{"image-to-pdf", "--merge=yes", "a.png"}, "option '--merge' takes no value"},
        {{"compress", "--level", "extreme", "a.pdf"},
         "'extreme' is not one of lossless|high|standard|strongest|1|2|3|4"},
        {{"split", "--every", "two", "a.pdf"}, "'two' is not a whole number"},
        {{"split", "--pages", "x,7", "a.pdf"}, "请输入合适的范围"},
        {{"split", "--pages", "", "a.pdf"}, "请输入合适的范围"},
        {{"split", "--pages", "5-1", "a.pdf"}, "请输入合适的范围"},
        {{"split", "--pages", "1-2", "--every", "2", "a.pdf"}, "give one of them"},
        {{"delete-pages", "--pages", "3", "a.pdf"}, "请输入合适的范围"},
        {{"pdf-to-word", "--pages", "9-2", "a.pdf"}, "请输入合适的范围"},
        {{"pdf-to-word", "--pages", "1-2,4-5", "a.pdf"}, "请输入合适的范围"},
        {{"pdf-to-word", "a.docx"}, "a.docx: not a file pdf-to-word takes"},
        {{"word-to-pdf", "a.pdf"}, "a.pdf: not a file word-to-pdf takes"},
        {{"merge", "a.pdf"}, "请至少选择两个PDF文件进行合并！"},
        {{"merge", "--name", "a/b", "a.pdf", "b.pdf"}, "文件名不能包含特殊字符"},
        {{"merge", "--name", "a|b", "a.pdf", "b.pdf"}, "文件名不能包含特殊字符"},
        {{"merge", "--name", name31, "a.pdf", "b.pdf"}, "文件名不能超过30个字符"},
        {{"encrypt", "a.pdf"}, " 没有输入密码！"},
        {{"encrypt", "--new-password", "ab_12", "a.pdf"}, " 密码必须是数字和字母！"},
        {{"encrypt", "--new-password", "ab12", "--confirm-password", "ab13", "a.pdf"},
         " 两次输入的密码不一致！"},
        {{"watermark", "a.pdf"}, "请输入水印文字"},
        {{"watermark", "--watermark-image", "/no/such/picture.png", "a.pdf"}, "请添加水印图片"},
        {{"watermark", "--watermark-text", "x", "--color", "12345", "a.pdf"}, "is not RRGGBB"},
        {{"watermark", "--watermark-text", "x", "--font-size", "92", "a.pdf"}, "outside 1..91"},
        {{"pdf-to-image", "--pages-per-image", "4", "a.pdf"}, "goes with --long-image"},
        {{"pdf-to-image", "--long-image", "--image-quality", "400", "a.pdf"}, "50, 100 or 200"},
        {{"image-resize", "--width", "800", "--height", "600", "a.png"}, "needs --free-ratio"},
        {{"image-resize", "--percent", "50", "--width", "800", "a.png"}, "different ways"},
        {{"info", "a.pdf", "-o", "out"}, "takes no -o"},
    };
    for (const UsageCase& usage : cases) {
        SCOPED_TRACE(testing::PrintToString(usage.arguments));
        const Outcome outcome = RunApp(usage.arguments);
        EXPECT_EQ(outcome.status, cli::CliApp::kUsage);
        EXPECT_NE(outcome.err.find(usage.message), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    }
}

TEST(CommandLineTest, OutputFolderThatIsAFileIsAUsageError) {
    TempDir temp;
    testdocs::WriteFile(temp / "taken", "x");
    const Outcome outcome =
        RunApp({"compress", (temp / "a.pdf").string(), "-o", (temp / "taken").string()});
    EXPECT_EQ(outcome.status, cli::CliApp::kUsage);
    EXPECT_NE(outcome.err.find("cannot use the output folder"), std::string::npos) << outcome.err;
}

TEST(CommandLineTest, OptionCheckFailuresCreateNoOutputFolder) {
    TempDir temp;
    const Outcome outcome =
        RunApp({"encrypt", (temp / "a.pdf").string(), "-o", (temp / "new").string()});
    EXPECT_EQ(outcome.status, cli::CliApp::kUsage);
    EXPECT_FALSE(std::filesystem::exists(temp / "new"));
}

}  // namespace
