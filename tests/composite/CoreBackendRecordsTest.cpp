// What the real backend hands the core manager for each request: the command and the values
// its record carries. The manager is never initialised, so no core takes the jobs.
#include <gtest/gtest.h>

#include "composite/CoreOperationBackend.h"
#include "core/JsonWire.h"
#include "core/KPdfCoreManager.h"

namespace {

// A fresh manager numbers its first task 101.
constexpr int kFirstTaskId = 101;

struct Submitted {
    bool job = false;
    Json::Value record;
};

Submitted SubmitToIdleManager(const OperationRequest& request) {
    KPdfCoreManager::Settings settings;
    settings.pipe_library = "/nonexistent/libquire-pipe.so";
    settings.core_executable = "/nonexistent/quire-core";
    settings.may_start_cores_at_init = [] { return false; };
    KPdfCoreManager manager(settings);
    CoreOperationBackend backend(&manager);
    Submitted submitted;
    submitted.job = backend.Submit(request) != nullptr;
    if (const auto text = manager.GetTaskParam(kFirstTaskId))
        json_wire::Parse(*text, &submitted.record);
    return submitted;
}

OperationRequest Request(OperationKind kind, const std::string& source, const std::string& target) {
    OperationRequest request;
    request.kind = kind;
    request.source = source;
    request.target = target;
    return request;
}

TEST(CoreBackendRecordsTest, EachRequestBecomesItsCommand) {
    struct Case {
        OperationRequest request;
        const char* cmd;  // null: nothing may be submitted
        const char* key;  // a key the record must carry besides "cmd"
    };
    OperationRequest images = Request(OperationKind::kPdfToImages, "/a.pdf", "/out");
    images.page_images.image_type = 12;
    OperationRequest picture_pdf = Request(OperationKind::kImagesToPdf, "", "/a.pdf");
    picture_pdf.files = {"/a.png"};
    OperationRequest split = Request(OperationKind::kSplit, "/a.pdf", "/out");
    split.ranges = {{1, 2}};
    OperationRequest merge = Request(OperationKind::kMerge, "", "/m.pdf");
    merge.merge_sources = {{1, 2, "/a.pdf", ""}};
    OperationRequest merge_files = Request(OperationKind::kMergeFiles, "", "/m.pdf");
    merge_files.files = {"/a.pdf", "/b.pdf"};
    const Case cases[] = {
        {Request(OperationKind::kPdfToDocument, "/a.pdf", "/a.DOCX"), "pdf_to_docx", "target_path"},
        {Request(OperationKind::kPdfToDocument, "/a.pdf", "/a.html"), "pdf_to_html", "source_path"},
        {Request(OperationKind::kPdfToDocument, "/a.pdf", "/a.ppt"), nullptr, nullptr},
        {images, "pdf_to_bmp", "pagePerImage"},
        {Request(OperationKind::kPdfToImagePdf, "/a.pdf", "/b.pdf"), "pdf_to_img_pdf",
         "target_path"},
        {Request(OperationKind::kPdfToCurve, "/a.pdf", "/b.pdf"), "pdf_to_curve", "target_path"},
        {Request(OperationKind::kDocumentToPdf, "/a.xlsx", "/a.pdf"), "xlsx_to_pdf", "source_path"},
        {Request(OperationKind::kDocumentToPdf, "/a.jpg", "/a.pdf"), nullptr, nullptr},
        {picture_pdf, "jpg_to_pdf", "images"},
        {split, "new_split_pdf", "page_range"},
        {merge, "new_merge_pdf", "source_file_list"},
        {Request(OperationKind::kPickupPages, "/a.pdf", "/b.pdf"), "pdf_pickup_pages",
         "target_path"},
        {Request(OperationKind::kDeletePages, "/a.pdf", "/b.pdf"), "pdf_delete_pages",
         "target_path"},
        {Request(OperationKind::kEncrypt, "/a.pdf", "/b.pdf"), "pdf_encrypt", "target_path"},
        {Request(OperationKind::kDecrypt, "/a.pdf", "/b.pdf"), "pdf_decrypt", "target_path"},
        {Request(OperationKind::kAddWatermark, "/a.pdf", "/b.pdf"), "pdf_add_watermark",
         "watermark_type"},
        {Request(OperationKind::kExtractImages, "/a.pdf", "/out"), "pdf_extract_images",
         "target_dir"},
        {merge_files, "pdf_merge", "files"},
        {Request(OperationKind::kCompress, "/a.pdf", "/b.pdf"), "pdf_compress", "compress_type"},
        {Request(OperationKind::kImageResize, "/a.png", "/b.png"), "image_resize", "width"},
        {Request(OperationKind::kImageCompress, "/a.png", "/b.jpg"), "image_compress", "max_size"},
        {Request(OperationKind::kImageReformat, "/a.png", "/b.gif"), "image_reformat",
         "target_path"},
    };
    for (const Case& c : cases) {
        const Submitted submitted = SubmitToIdleManager(c.request);
        const std::string name = OperationName(c.request.kind) + (" " + c.request.target);
        EXPECT_EQ(submitted.job, c.cmd != nullptr) << name;
        if (!c.cmd)
            continue;
        EXPECT_EQ(submitted.record["cmd"].asString(), c.cmd) << name;
        EXPECT_TRUE(submitted.record.isMember(c.key)) << name << " " << c.key;
    }
}

TEST(CoreBackendRecordsTest, PasswordAndPagesTravelWithTheRequest) {
    OperationRequest request = Request(OperationKind::kPickupPages, "/a.pdf", "/b.pdf");
    request.password = "pw";
    request.pages = {3, 1};
    const Json::Value record = SubmitToIdleManager(request).record;
    EXPECT_EQ(record["password"].asString(), "pw");
    ASSERT_EQ(record["pages"].size(), 2u);
    EXPECT_EQ(record["pages"][0].asInt(), 3);
    EXPECT_EQ(record["pages"][1].asInt(), 1);

    request.password.clear();
    request.pages.clear();
    const Json::Value bare = SubmitToIdleManager(request).record;
    EXPECT_FALSE(bare.isMember("password"));
    EXPECT_FALSE(bare.isMember("pages"));
}

}  // namespace
