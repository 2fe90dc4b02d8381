// The operation objects the composite tasks use, against a real conversion core: each job is
// built by the program's side, performed by quire-core, and its output opened by a second tool.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "core/KImgOperate.h"
#include "core/KOthersToPdf.h"
#include "core/KPdfCoreManager.h"
#include "core/KPdfOperate.h"
#include "core/KPdfToImages.h"
#include "core/KPdfToOthers.h"
#include "platform/Format.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testdocs::PageTexts;

// Pages showing "Page 1", "Page 2", ...
std::string NumberedPdf(int count) {
    std::vector<testdocs::TestPage> pages;
    for (int page = 1; page <= count; ++page)
        pages.push_back({platform::Format("BT /F1 24 Tf 72 720 Td (Page %d) Tj ET", page), ""});
    return testdocs::BuildPdf(pages);
}

std::vector<std::string> Numbered(const std::vector<int>& pages) {
    std::vector<std::string> texts;
    for (const int page : pages)
        texts.push_back(platform::Format("Page %d", page));
    return texts;
}

// Width and height from a PNG's header; {0, 0} when the file is not a PNG.
std::pair<int, int> PngSize(const fs::path& file) {
    const std::string bytes = testdocs::ReadFile(file);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    const auto number = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {number(16), number(20)};
}

class OperationsCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        KPdfCoreManager::Settings settings;
        settings.pipe_library = PIPE_LIBRARY;
        settings.core_executable = QUIRE_CORE_BINARY;
        manager_ = std::make_unique<KPdfCoreManager>(settings);
        ASSERT_TRUE(manager_->Init());
        source_ = (temp_ / "five.pdf").string();
        testdocs::WriteFile(source_, NumberedPdf(5));
    }
    void TearDown() override { manager_->Shutdown(); }

    // Waits (bounded) for the job the operation submitted; true when it succeeded.
    template <typename Operation>
    bool Finished(Operation& operation, bool submitted) {
        if (!submitted)
            return false;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        int result = operation.GetResult();
        while (result < 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            result = operation.GetResult();
        }
        return result > 0;
    }

    std::string Out(const std::string& name) { return (temp_ / name).string(); }

    TempDir temp_;
    std::string source_;
    std::unique_ptr<KPdfCoreManager> manager_;
};

TEST_F(OperationsCoreTest, PageToolsKeepTheChosenPagesInOrder) {
    KPdfOperate pick(manager_.get());
    pick.AddPage(4);
    pick.AddPage(2);
    ASSERT_TRUE(Finished(pick, pick.PickupPages(source_, Out("picked.pdf")))) << pick.GetError();
    EXPECT_EQ(PageTexts(Out("picked.pdf")), Numbered({4, 2}));

    KPdfOperate remove(manager_.get());
    remove.AddPage(1);
    remove.AddPage(5);
    ASSERT_TRUE(Finished(remove, remove.DeletePages(source_, Out("deleted.pdf"))))
        << remove.GetError();
    EXPECT_EQ(PageTexts(Out("deleted.pdf")), Numbered({2, 3, 4}));

    const fs::path parts = temp_ / "parts";
    fs::create_directories(parts);
    KPdfOperate split(manager_.get());
    ASSERT_TRUE(Finished(split, split.SplitPdf(source_, parts.string(), {{1, 2}, {4, 5}})))
        << split.GetError();
    EXPECT_EQ(PageTexts(parts / "five(1-2).pdf"), Numbered({1, 2}));
    EXPECT_EQ(PageTexts(parts / "five(4-5).pdf"), Numbered({4, 5}));

    KPdfOperate merge(manager_.get());
    ASSERT_TRUE(Finished(
        merge, merge.MergePdf(Out("merged.pdf"), {{2, 3, source_, ""}, {5, 5, source_, ""}})))
        << merge.GetError();
    EXPECT_EQ(PageTexts(Out("merged.pdf")), Numbered({2, 3, 5}));
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", Out("merged.pdf")}));
}

TEST_F(OperationsCoreTest, EncryptionOpensOnlyWithItsPassword) {
    KPdfOperate encrypt(manager_.get());
    encrypt.SetPassword("s3cret");
    ASSERT_TRUE(Finished(encrypt, encrypt.EncryptPdf(source_, Out("locked.pdf"))))
        << encrypt.GetError();
    // qpdf exits 0 for --requires-password exactly when a password is needed.
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--requires-password", Out("locked.pdf")}));
    EXPECT_TRUE(PageTexts(Out("locked.pdf")).empty());
    EXPECT_EQ(PageTexts(Out("locked.pdf"), "s3cret"), Numbered({1, 2, 3, 4, 5}));

    KPdfOperate wrong(manager_.get());
    wrong.SetPassword("guess");
    EXPECT_FALSE(Finished(wrong, wrong.DecryptPdf(Out("locked.pdf"), Out("wrong.pdf"))));
    EXPECT_EQ(wrong.GetError().rfind("Invalid password", 0), 0u) << wrong.GetError();
    EXPECT_FALSE(fs::exists(Out("wrong.pdf")));

    KPdfOperate decrypt(manager_.get());
    decrypt.SetPassword("s3cret");
    ASSERT_TRUE(Finished(decrypt, decrypt.DecryptPdf(Out("locked.pdf"), Out("open.pdf"))))
        << decrypt.GetError();
    EXPECT_EQ(PageTexts(Out("open.pdf")), Numbered({1, 2, 3, 4, 5}));
}

TEST_F(OperationsCoreTest, CompressingACompactFileReportsNine) {
    KPdfOperate first(manager_.get());
    ASSERT_TRUE(Finished(first, first.CompressPdf(source_, Out("small.pdf"), 1)));
    KPdfOperate again(manager_.get());
    EXPECT_FALSE(Finished(again, again.CompressPdf(Out("small.pdf"), Out("smaller.pdf"), 4)));
    EXPECT_EQ(again.GetError(), "9");
    EXPECT_FALSE(fs::exists(Out("smaller.pdf")));
}

TEST_F(OperationsCoreTest, PagesBecomePicturesTextAndImageOnlyPdf) {
    const fs::path pictures = temp_ / "pictures";
    fs::create_directories(pictures);
    KPdfToImages images(manager_.get(), true, [](const ImageStats&) {});
    images.AddPage(1);
    images.AddPage(3);
    ASSERT_TRUE(
        Finished(images, images.ConvertToImages(11, false, source_, pictures.string(), 1.0f, 1)))
        << images.GetError();
    std::vector<std::pair<int, int>> sizes;
    for (const auto& entry : fs::directory_iterator(pictures))
        sizes.push_back(PngSize(entry.path()));
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{595, 842}, {595, 842}}));

    KPdfToOthers text(manager_.get());
    ASSERT_TRUE(Finished(text, text.ConvertFromPdf(source_, Out("five.txt"), 6)))
        << text.GetError();
    const std::string words = testdocs::ReadFile(Out("five.txt"));
    EXPECT_NE(words.find("Page 1"), std::string::npos);
    EXPECT_NE(words.find("Page 5"), std::string::npos);

    KPdfToOthers flat(manager_.get());
    ASSERT_TRUE(Finished(flat, flat.ToImagePdf(source_, Out("flat.pdf")))) << flat.GetError();
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", Out("flat.pdf")}));
    EXPECT_EQ(PageTexts(Out("flat.pdf")), std::vector<std::string>(5, ""));
}

TEST_F(OperationsCoreTest, PicturesAreResizedAndLaidOutOnPages) {
    const fs::path pictures = temp_ / "pictures";
    fs::create_directories(pictures);
    KPdfToImages images(manager_.get(), true, [](const ImageStats&) {});
    images.AddPage(2);
    ASSERT_TRUE(
        Finished(images, images.ConvertToImages(11, false, source_, pictures.string(), 0.5f, 1)));
    ASSERT_EQ(std::distance(fs::directory_iterator(pictures), fs::directory_iterator()), 1);
    const std::string picture = fs::directory_iterator(pictures)->path().string();

    KImgOperate resize(manager_.get());
    ASSERT_TRUE(Finished(resize, resize.ResizeImage(picture, Out("small.png"), 120, 90)))
        << resize.GetError();
    EXPECT_EQ(PngSize(Out("small.png")), std::make_pair(120, 90));

    KOthersToPdf layout(manager_.get());
    KOthersToPdf::ImagePages a4;
    a4.page_size = 2;
    ASSERT_TRUE(
        Finished(layout, layout.ImagesToPdf(Out("album.pdf"), {picture, Out("small.png")}, a4)))
        << layout.GetError();
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", Out("album.pdf")}));
    EXPECT_EQ(PageTexts(Out("album.pdf")).size(), 2u);

    KImgOperate missing(manager_.get());
    EXPECT_FALSE(Finished(missing, missing.ResizeImage(Out("none.png"), Out("x.png"), 10, 10)));
    EXPECT_FALSE(missing.GetError().empty());
    EXPECT_FALSE(fs::exists(Out("x.png")));
}

}  // namespace
