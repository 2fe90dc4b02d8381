// Conversions and picture tools on the real conversion core.
#include <gtest/gtest.h>

#include <algorithm>

#include "RealCoreFixture.h"
#include "composite/KComplexEncryptPdf.h"
#include "composite/KComplexImageToPdf.h"
#include "composite/KComplexImgResize.h"
#include "composite/KComplexPdfToDocument.h"
#include "composite/KComplexPdfToImage.h"
#include "composite/KComplexPdfToImgPdf.h"

namespace {

namespace fs = std::filesystem;

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto read = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {read(16), read(20)};
}

TEST_F(RealCoreTest, PdfPagesToPictures) {
    const std::string source = TextPdf("deck.pdf", 3);
    PageImageOptions png;
    png.image_type = 11;
    png.scale = 1.0f;
    RecordingSink sink;
    TaskRef<KComplexPdfToImage> pages(new KComplexPdfToImage(
        {source, (out_ / "png").string(), Out("png"), png}, &sink, &services_));
    pages->AddPages(1, 2);
    ASSERT_EQ(StartAndWait(*pages), 1) << pages->GetErrorMsg();
    EXPECT_EQ(PngSize(ReadAll(out_ / "png" / "deck_1.png")), std::make_pair(595, 842));
    EXPECT_TRUE(fs::exists(out_ / "png" / "deck_2.png"));
    EXPECT_FALSE(fs::exists(out_ / "png" / "deck_3.png"));
    ASSERT_FALSE(sink.Values().empty());
    EXPECT_EQ(sink.Values().back(), 100);

    PageImageOptions tall;
    tall.image_type = 10;
    tall.merge = true;
    tall.pages_per_image = 0;
    TaskRef<KComplexPdfToImage> merged(new KComplexPdfToImage(
        {source, (out_ / "jpg").string(), Out("jpg"), tall}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*merged), 1) << merged->GetErrorMsg();
    const std::string jpeg = ReadAll(out_ / "jpg" / "deck_1-3.jpg");
    ASSERT_GE(jpeg.size(), 2u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
}

TEST_F(RealCoreTest, PdfToTextStaysLocal) {
    const std::string source = TextPdf("notes.pdf", 2);
    KComplexPdfToDocument::Params params;
    params.source = source;
    params.target = Out("notes.txt");
    params.local_only = true;
    TaskRef<KComplexPdfToDocument> task(new KComplexPdfToDocument(params, nullptr, &services_));
    task->SetPageCount(2);
    task->AddPages(1, 2);
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    EXPECT_EQ(task->IsLocal(), 1);
    const std::string text = ReadAll(Out("notes.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 1) << text;
    EXPECT_NE(text.find("Hello"), std::string::npos);
}

TEST_F(RealCoreTest, LongPdfToTextInPartsOfFifty) {
    const std::string source = TextPdf("long.pdf", 60);
    KComplexPdfToDocument::Params params;
    params.source = source;
    params.target = Out("long.txt");
    params.local_only = true;
    params.split = true;
    params.last_page = 60;
    params.parts_folder = out_.string();
    TaskRef<KComplexPdfToDocument> task(new KComplexPdfToDocument(params, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    EXPECT_EQ(task->GetTargetPath(), Out("long(1-50).txt"));
    const std::string first = ReadAll(Out("long(1-50).txt"));
    const std::string second = ReadAll(Out("long(51-60).txt"));
    // Pages are separated by form feeds.
    EXPECT_EQ(std::count(first.begin(), first.end(), '\f'), 49);
    EXPECT_EQ(std::count(second.begin(), second.end(), '\f'), 9);
}

TEST_F(RealCoreTest, UnknownDocumentKindFailsWithoutACore) {
    KComplexPdfToDocument::Params params;
    params.source = TextPdf("a.pdf", 1);
    params.target = Out("a.ppt");
    params.local_only = true;
    TaskRef<KComplexPdfToDocument> task(new KComplexPdfToDocument(params, nullptr, &services_));
    EXPECT_EQ(StartAndWait(*task), 0);
    EXPECT_FALSE(fs::exists(Out("a.ppt")));
}

TEST_F(RealCoreTest, ProtectedPdfToImagePdfIsDecryptedPrivatelyFirst) {
    TaskRef<KComplexEncryptPdf> encrypt(new KComplexEncryptPdf(
        TextPdf("s.pdf", 2), Out("secret.pdf"), "abc123", nullptr, &services_));
    ASSERT_EQ(StartAndWait(*encrypt), 1) << encrypt->GetErrorMsg();

    TaskRef<KComplexPdfToImgPdf> task(
        new KComplexPdfToImgPdf({Out("secret.pdf"), Out("pictures.pdf")}, nullptr, &services_));
    task->SetPageCount(2);
    task->SetPassword("abc123");
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    const FileFacts facts = Facts(Out("pictures.pdf"));
    EXPECT_EQ(facts.page_count, 2);
    EXPECT_EQ(facts.image_only, 1);
}

TEST_F(RealCoreTest, PicturesToPdfAndResize) {
    PageImageOptions jpg;
    jpg.image_type = 10;
    jpg.scale = 0.5f;
    TaskRef<KComplexPdfToImage> pictures(new KComplexPdfToImage(
        {TextPdf("p.pdf", 2), out_.string(), out_.string(), jpg}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*pictures), 1) << pictures->GetErrorMsg();

    KOthersToPdf::ImagePages a4;
    a4.page_size = 2;
    TaskRef<KComplexImageToPdf> to_pdf(new KComplexImageToPdf(
        {{Out("p_1.jpg"), Out("p_2.jpg")}, Out("album.pdf"), a4}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*to_pdf), 1) << to_pdf->GetErrorMsg();
    EXPECT_EQ(Pages(Out("album.pdf")), 2);
    EXPECT_EQ(to_pdf->GetErrorCode(), -1);

    TaskRef<KComplexImgResize> resize(
        new KComplexImgResize(Out("p_1.jpg"), Out("thumb.png"), 100, 50, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*resize), 1) << resize->GetErrorMsg();
    EXPECT_EQ(PngSize(ReadAll(Out("thumb.png"))), std::make_pair(100, 50));
}

}  // namespace
