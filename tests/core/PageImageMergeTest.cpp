// The program's own merge of page images, with real picture files: every pixel of the result
// is checked against where each page should land.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "OperationTestSupport.h"
#include "core/KPdfToImages.h"
#include "core/PageImageStacker.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;

struct Rgba {
    BYTE r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}

struct Unload {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, Unload>;

// A picture in one colour, with a one-pixel marker of `corner` in its top-left corner so that
// a flipped or shifted paste shows.
void WritePicture(const fs::path& path, int width, int height, int bpp, Rgba fill, Rgba corner) {
    Bitmap bitmap(FreeImage_Allocate(width, height, bpp));
    ASSERT_TRUE(bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba c = (x == 0 && y == 0) ? corner : fill;
            RGBQUAD q{c.b, c.g, c.r, c.a};
            // FreeImage rows run bottom-up.
            FreeImage_SetPixelColor(bitmap.get(), x, height - 1 - y, &q);
        }
    }
    ASSERT_TRUE(
        FreeImage_Save(FreeImage_GetFIFFromFilename(path.c_str()), bitmap.get(), path.c_str(), 0));
}

struct Picture {
    Bitmap bitmap;
    int width() const { return static_cast<int>(FreeImage_GetWidth(bitmap.get())); }
    int height() const { return static_cast<int>(FreeImage_GetHeight(bitmap.get())); }
    int bpp() const { return static_cast<int>(FreeImage_GetBPP(bitmap.get())); }
    // Top-down coordinates; pictures without alpha read as opaque.
    Rgba At(int x, int y) const {
        RGBQUAD q{};
        FreeImage_GetPixelColor(bitmap.get(), x, height() - 1 - y, &q);
        return {q.rgbRed, q.rgbGreen, q.rgbBlue, bpp() == 32 ? q.rgbReserved : BYTE{255}};
    }
    Rgba Zero() const { return {0, 0, 0, bpp() == 32 ? BYTE{0} : BYTE{255}}; }
};

Picture ReadPicture(const fs::path& path) {
    return {Bitmap(FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0))};
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path());
    return files;
}

// Checks that the region at (left, top) of `picture` is `fill` with `corner` in its corner.
void ExpectPage(const Picture& picture, int left, int top, int width, int height, Rgba fill,
                Rgba corner, const char* page) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba expected = (x == 0 && y == 0) ? corner : fill;
            ASSERT_EQ(picture.At(left + x, top + y), expected) << page << " at " << x << "," << y;
        }
    }
}

void ExpectZeroOutside(const Picture& picture, int top, int height, int left, int width) {
    for (int y = top; y < top + height; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (x >= left && x < left + width)
                continue;
            ASSERT_EQ(picture.At(x, y), picture.Zero()) << x << "," << y;
        }
    }
}

const Rgba kRed{200, 0, 0, 255}, kGreen{0, 180, 0, 128}, kBlue{0, 0, 220, 255};
const Rgba kWhite{255, 255, 255, 255}, kBlack{1, 1, 1, 255};

TEST(PageImageStackerTest, UpperDecidesDepthAndBothAreCentred) {
    TempDir temp;
    WritePicture(temp / "upper.png", 4, 2, 32, kGreen, kWhite);
    WritePicture(temp / "lower.png", 7, 3, 24, kBlue, kBlack);
    ASSERT_TRUE(page_images::StackImages(temp / "upper.png", temp / "lower.png", temp / "out.png"));

    const Picture out = ReadPicture(temp / "out.png");
    ASSERT_EQ(out.width(), 7);
    ASSERT_EQ(out.height(), 5);
    ASSERT_EQ(out.bpp(), 32);
    ExpectPage(out, 1, 0, 4, 2, kGreen, kWhite, "upper");
    ExpectZeroOutside(out, 0, 2, 1, 4);
    // The 24-bit lower picture becomes opaque in the 32-bit result.
    ExpectPage(out, 0, 2, 7, 3, kBlue, kBlack, "lower");
}

TEST(PageImageStackerTest, FailsWhenThePictureOrTheOutputFormatDoesNotFit) {
    TempDir temp;
    WritePicture(temp / "alpha.png", 2, 2, 32, kGreen, kWhite);
    WritePicture(temp / "plain.bmp", 2, 2, 24, kRed, kBlack);
    std::ofstream(temp / "broken.png") << "not a picture";
    // JPEG cannot hold the alpha channel of the upper picture.
    EXPECT_FALSE(page_images::StackImages(temp / "alpha.png", temp / "plain.bmp", temp / "o.jpg"));
    EXPECT_FALSE(page_images::StackImages(temp / "plain.bmp", temp / "alpha.png", temp / "o.xyz"));
    EXPECT_FALSE(page_images::StackImages(temp / "plain.bmp", temp / "broken.png", temp / "o.bmp"));
    EXPECT_TRUE(page_images::StackImages(temp / "plain.bmp", temp / "alpha.png", temp / "o.bmp"));
    EXPECT_EQ(ReadPicture(temp / "o.bmp").bpp(), 24);
}

TEST(PageImageStackerTest, UnstackablePictureStartsTheNextImage) {
    TempDir temp;
    fs::create_directories(temp / "pages");
    fs::create_directories(temp / "out");
    fs::create_directories(temp / "scratch");
    WritePicture(temp / "pages/p1.png", 3, 2, 24, kRed, kWhite);
    std::ofstream(temp / "pages/p2.png") << "not a picture";
    WritePicture(temp / "pages/p3.png", 3, 2, 24, kBlue, kWhite);
    std::atomic<bool> stop{false};
    const auto written = page_images::MergeIntoFolder(
        {temp / "pages/p1.png", temp / "pages/p2.png", temp / "pages/p3.png"}, temp / "out",
        temp / "scratch", stop);
    // p1 cannot take the broken p2 below it, and p2 takes nothing below it: three images.
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(Bytes(written[1]), "not a picture");
    EXPECT_EQ(Bytes(written[2]), Bytes(temp / "pages/p3.png"));
    EXPECT_TRUE(FilesIn(temp / "scratch").empty());
}

// A page-image job whose core leaves the merge to the program.
class PageMergeJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(target_);
        ASSERT_TRUE(op_->ConvertToImages(11, true, "/a.pdf", target_.string(), 1.0f, 1));
        const auto record = StoredRecord(*manager_, op_->CoreTaskId());
        ASSERT_TRUE(record);
        EXPECT_EQ((*record)["merge"], Json::Value(0));
        page_folder_ = (*record)["target_path"].asString();
    }
    void Core(const char* key, const char* value) {
        manager_->SetInfo(op_->CoreTaskId(), key, value);
    }
    int WaitForOutcome() {
        int result = -1;
        WaitUntil([&] { return (result = op_->GetResult()) != -1; });
        return result;
    }

    TempDir temp_;
    ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.Path().string()};
    fs::path target_ = temp_ / "我的图片";
    std::unique_ptr<KPdfCoreManager> manager_ = IdleManager();
    std::unique_ptr<KPdfToImages> op_ =
        std::make_unique<KPdfToImages>(manager_.get(), false, nullptr);
    fs::path page_folder_;
};

TEST_F(PageMergeJobTest, PagesInThePrivateFolderAreStackedInNaturalOrder) {
    EXPECT_EQ(page_folder_.parent_path(), temp_ / "quire");
    EXPECT_EQ(page_folder_.filename().string().rfind("56ADA302_", 0), 0u);
    ASSERT_TRUE(fs::is_directory(page_folder_));
    WritePicture(page_folder_ / "p10.png", 8, 2, 24, kBlue, kBlack);
    WritePicture(page_folder_ / "p1.png", 2, 3, 24, kRed, kWhite);
    WritePicture(page_folder_ / "p2.png", 4, 1, 24, kGreen, kWhite);

    Core("result", "1");
    EXPECT_EQ(WaitForOutcome(), 1);
    EXPECT_EQ(op_->MergeState(), KPdfToImages::kMergeDone);
    EXPECT_FALSE(fs::exists(page_folder_));

    const auto outputs = FilesIn(target_);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].filename().string().rfind("p1_", 0), 0u) << outputs[0];
    EXPECT_TRUE(outputs[0].filename().string().ends_with("_0.png")) << outputs[0];
    const Picture out = ReadPicture(outputs[0]);
    ASSERT_EQ(out.width(), 8);
    ASSERT_EQ(out.height(), 6);
    // p1 was centred over p2 (x 1 of 4), and that block over p10 (x 2 of 8).
    ExpectPage(out, 3, 0, 2, 3, kRed, kWhite, "p1");
    ExpectZeroOutside(out, 0, 3, 3, 2);
    // Green becomes opaque: the upper picture has no alpha.
    ExpectPage(out, 2, 3, 4, 1, {0, 180, 0, 255}, kWhite, "p2");
    ExpectZeroOutside(out, 3, 1, 2, 4);
    ExpectPage(out, 0, 4, 8, 2, kBlue, kBlack, "p10");
}

TEST_F(PageMergeJobTest, SinglePageIsCopiedUnchanged) {
    WritePicture(page_folder_ / "p1.png", 3, 3, 24, kRed, kWhite);
    const std::string original = Bytes(page_folder_ / "p1.png");
    Core("result", "1");
    EXPECT_EQ(WaitForOutcome(), 1);
    const auto outputs = FilesIn(target_);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(Bytes(outputs[0]), original);
}

TEST_F(PageMergeJobTest, ProgressStaysAtMostHalfUntilTheMergeHasEnded) {
    Core("progress", "30");
    EXPECT_EQ(op_->GetProgress(), 30);
    Core("progress", "100");
    EXPECT_EQ(op_->GetProgress(), 50);
    Core("result", "1");
    EXPECT_EQ(op_->GetProgress(), 50);
    // No pages at all: the merge ends failed, and the cap goes with it.
    EXPECT_EQ(WaitForOutcome(), 0);
    EXPECT_EQ(op_->MergeState(), KPdfToImages::kMergeFailed);
    EXPECT_EQ(op_->GetProgress(), 100);
}

TEST_F(PageMergeJobTest, FailedJobLeavesNoPageFolderBehind) {
    WritePicture(page_folder_ / "p1.png", 3, 3, 24, kRed, kWhite);
    Core("result", "0");
    EXPECT_EQ(op_->GetResult(), 0);
    EXPECT_EQ(op_->MergeState(), KPdfToImages::kMergeNotStarted);
    op_.reset();
    EXPECT_FALSE(fs::exists(page_folder_));
    EXPECT_TRUE(FilesIn(target_).empty());
}

}  // namespace
