// quire-cli as a process against the real conversion core, on small generated documents.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "CliProcess.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

namespace fs = std::filesystem;

// Pages whose text is their number, so a result shows which pages it holds.
std::string NumberedPdf(int pages) {
    std::vector<testdocs::TestPage> numbered;
    for (int page = 1; page <= pages; ++page)
        numbered.push_back(
            {"BT /F1 12 Tf 72 720 Td (Page " + std::to_string(page) + ") Tj ET", ""});
    return testdocs::BuildPdf(numbered);
}

// A 2 x 2 24-bit BMP.
std::string SmallBmp() {
    std::string bmp = "BM";
    auto put32 = [&bmp](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            bmp += static_cast<char>((value >> shift) & 0xFF);
    };
    auto put16 = [&bmp](std::uint16_t value) {
        bmp += static_cast<char>(value & 0xFF);
        bmp += static_cast<char>(value >> 8);
    };
    put32(54 + 16);
    put32(0);
    put32(54);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(16);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    // Two rows of two pixels, each row padded to 8 bytes.
    bmp += std::string("\x00\x00\xff\x00\xff\x00\x00\x00", 8);
    bmp += std::string("\xff\x00\x00\xff\xff\xff\x00\x00", 8);
    return bmp;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_);
        fs::create_directories(in_);
    }

    CliResult Run(const std::vector<std::string>& arguments) {
        return RunCli(arguments, {"QUIRE_HOME=" + home_.string()});
    }

    std::string Pdf(const std::string& name, int pages) {
        const fs::path file = in_ / name;
        testdocs::WriteFile(file, NumberedPdf(pages));
        return file.string();
    }

    TempDir temp_;
    fs::path home_ = temp_ / "home";
    fs::path in_ = temp_ / "in";
};

TEST_F(EndToEndTest, SplitWritesOnePartPerRange) {
    const std::string source = Pdf("doc.pdf", 5);
    const CliResult split = Run({"split", "--pages", "1-2,3-5,x,7", source});
    ASSERT_EQ(split.exit_code, 0) << split.err;
    const fs::path folder = in_ / "doc_拆分";
    EXPECT_NE(split.out.find("拆分成功: " + source + " -> " + folder.string()), std::string::npos)
        << split.out;
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"doc(1-2).pdf", "doc(3-5).pdf"}));
    EXPECT_EQ(testdocs::PageTexts(folder / "doc(3-5).pdf"),
              (std::vector<std::string>{"Page 3", "Page 4", "Page 5"}));

    const CliResult every = Run({"split", "--every", "2", source, "-o", (temp_ / "out").string()});
    ASSERT_EQ(every.exit_code, 0) << every.err;
    EXPECT_EQ(Names(temp_ / "out" / "doc_拆分"),
              (std::vector<std::string>{"doc(1-2).pdf", "doc(3-4).pdf", "doc(5-5).pdf"}));
}

TEST_F(EndToEndTest, ExtractAndDeletePages) {
    const std::string source = Pdf("doc.pdf", 5);
    const CliResult extract = Run({"extract-pages", "--pages", "2-3,5-5", source});
    ASSERT_EQ(extract.exit_code, 0) << extract.err;
    EXPECT_EQ(testdocs::PageTexts(in_ / "doc_提取.pdf"),
              (std::vector<std::string>{"Page 2", "Page 3", "Page 5"}));

    const CliResult remove = Run({"delete-pages", "--page", "1", source});
    ASSERT_EQ(remove.exit_code, 0) << remove.err;
    EXPECT_EQ(testdocs::PageTexts(in_ / "doc_删除.pdf"),
              (std::vector<std::string>{"Page 2", "Page 3", "Page 4", "Page 5"}));
}

TEST_F(EndToEndTest, EncryptTwiceNeverOverwrites) {
    const std::string source = Pdf("doc.pdf", 2);
    for (int run = 0; run < 2; ++run) {
        const CliResult encrypt = Run({"encrypt", "--new-password", "abc123", source});
        ASSERT_EQ(encrypt.exit_code, 0) << encrypt.err;
    }
    for (const char* name : {"doc_已加密.pdf", "doc_已加密(1).pdf"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(testdocs::RunTool("qpdf", {"--requires-password", (in_ / name).string()}));
        EXPECT_EQ(testdocs::PageTexts(in_ / name, "abc123"),
                  (std::vector<std::string>{"Page 1", "Page 2"}));
    }

    // The encrypted copy is refused without its password and read with it.
    const std::string locked = (in_ / "doc_已加密.pdf").string();
    const CliResult refused = Run({"compress", locked});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("加密文件无法转换"), std::string::npos) << refused.err;
    const CliResult info = Run({"info", "--password", "abc123", locked});
    EXPECT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find(locked + ": pages=2 encrypted=1 image=0 unreadable=0"),
              std::string::npos)
        << info.out;
}

TEST_F(EndToEndTest, CompressKeepsEveryPage) {
    const std::string source = Pdf("doc.pdf", 3);
    const CliResult compress = Run({"compress", "--level", "lossless", source});
    ASSERT_EQ(compress.exit_code, 0) << compress.err;
    EXPECT_NE(compress.out.find("压缩成功: "), std::string::npos);
    EXPECT_EQ(testdocs::PageTexts(in_ / "doc_已压缩.pdf").size(), 3u);
}

TEST_F(EndToEndTest, PdfToPicturesAndText) {
    const std::string source = Pdf("doc.pdf", 3);
    const CliResult images =
        Run({"pdf-to-image", "--format", "png", "--pages", "2-3", "--image-quality", "50", source});
    ASSERT_EQ(images.exit_code, 0) << images.err;
    EXPECT_EQ(Names(in_ / "doc"), (std::vector<std::string>{"doc_2.png", "doc_3.png"}));
    EXPECT_NE(images.out.find("-> " + (in_ / "doc" / "doc_2.png").string()), std::string::npos);

    const CliResult text = Run({"pdf-to-txt", source});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    const std::string written = testdocs::ReadFile(in_ / "doc.txt");
    EXPECT_NE(written.find("Page 1"), std::string::npos);
    EXPECT_NE(written.find("Page 3"), std::string::npos);
}

TEST_F(EndToEndTest, PicturesMergedIntoOnePdf) {
    testdocs::WriteFile(in_ / "b.bmp", SmallBmp());
    testdocs::WriteFile(in_ / "a.bmp", SmallBmp());
    testdocs::WriteFile(in_ / "broken.bmp", "BM not a picture");
    const CliResult merged =
        Run({"image-to-pdf", "--merge", "--sort", "name", (in_ / "b.bmp").string(),
             (in_ / "a.bmp").string(), (in_ / "broken.bmp").string()});
    EXPECT_EQ(merged.exit_code, 1);  // the broken picture
    EXPECT_NE(merged.err.find("部分图片已损坏，无法添加"), std::string::npos) << merged.err;
    EXPECT_EQ(testdocs::PageTexts(in_ / "a_合并.pdf").size(), 2u) << merged.err;
}

TEST_F(EndToEndTest, InfoAndExitCodesOfMixedBatches) {
    const std::string source = Pdf("doc.pdf", 4);
    const std::string missing = (in_ / "gone.pdf").string();
    const CliResult info = Run({"info", source, missing});
    EXPECT_EQ(info.exit_code, 1);
    EXPECT_NE(info.out.find(source + ": pages=4 encrypted=0 image=0 unreadable=0"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.err.find(missing + ": file not found"), std::string::npos);

    const fs::path out = temp_ / "new" / "folder";
    const CliResult batch = Run({"compress", source, missing, "-o", out.string()});
    EXPECT_EQ(batch.exit_code, 1);
    EXPECT_NE(batch.err.find("压缩失败: " + missing + ": file not found"), std::string::npos);
    EXPECT_TRUE(fs::exists(out / "doc_已压缩.pdf"));
}

TEST_F(EndToEndTest, PdfToWordAndBackKeepsEveryPagesText) {
    const std::string source = Pdf("doc.pdf", 3);
    // The Office helper the core starts keeps its profile under the test's home and leaves soon.
    const std::vector<std::string> environment = {"QUIRE_HOME=" + home_.string(),
                                                  "XDG_CACHE_HOME=" + (home_ / "cache").string(),
                                                  "QUIRE_OFFICE_IDLE_SECONDS=5"};
    const CliResult word = RunCli({"pdf-to-word", source}, environment);
    ASSERT_EQ(word.exit_code, 0) << word.err;
    ASSERT_TRUE(fs::exists(in_ / "doc.docx")) << word.out;
    const fs::path back_folder = in_ / "back";
    const CliResult back = RunCli(
        {"word-to-pdf", (in_ / "doc.docx").string(), "-o", back_folder.string()}, environment);
    ASSERT_EQ(back.exit_code, 0) << back.err;
    EXPECT_EQ(testdocs::PageTexts(back_folder / "doc.pdf"),
              (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
}

TEST_F(EndToEndTest, WhatCannotRunHereSaysWhy) {
    testdocs::WriteFile(in_ / "scan.bmp", SmallBmp());
    const std::string picture = (in_ / "scan.bmp").string();
    const CliResult refused = Run({"ocr", picture});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("OCR图文识别需要使用增强模式"), std::string::npos) << refused.err;
    // The shipped common.dat names a service on loopback, which nothing serves in this test.
    const CliResult allowed = Run({"ocr", "--agree-upload", picture});
    EXPECT_EQ(allowed.exit_code, 1);
    EXPECT_NE(allowed.err.find("the online conversion service cannot be reached"),
              std::string::npos)
        << allowed.err;
}

TEST_F(EndToEndTest, InterruptCancelsAndLeavesNoPartialOutput) {
    const std::string source = Pdf("big.pdf", 200);
    CliProcess cli({"pdf-to-image", "--image-quality", "400", source},
                   {"QUIRE_HOME=" + home_.string()});
    ASSERT_TRUE(cli.WaitForOutput("started: " + source, std::chrono::seconds(60))) << cli.Err();
    // Let the core draw a few pages first.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto interrupted = std::chrono::steady_clock::now();
    cli.Signal(SIGINT);
    const auto code = cli.WaitForExit(std::chrono::seconds(30));
    ASSERT_TRUE(code.has_value()) << "still running; " << cli.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(15));
    EXPECT_EQ(*code, 1);
    EXPECT_NE(cli.Err().find(source + ": cancelled"), std::string::npos) << cli.Err();
    EXPECT_EQ(Names(in_), std::vector<std::string>{"big.pdf"});
}

}  // namespace
