// Each builder's command record, read back from what the manager stored for the core. Values
// are compared with their JSON types: a number sent as text or a real sent as an integer is a
// different record for the core.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "OperationTestSupport.h"
#include "core/KGetInfo.h"
#include "core/KImgOperate.h"
#include "core/KOthersToPdf.h"
#include "core/KPdfOperate.h"
#include "core/KPdfToImages.h"
#include "core/KPdfToOthers.h"
#include "support/TempDir.h"

namespace {

struct BuilderCase {
    const char* name;
    std::function<int(KPdfCoreManager*)> build;  // returns the job id, 0 when it failed
    const char* expected;                        // the record without "task_id"
};

template <typename Operation>
int Submitted(Operation& operation, bool submitted) {
    return submitted ? operation.CoreTaskId() : 0;
}

WatermarkSettings SampleWatermark() {
    WatermarkSettings settings;
    settings.type = 2;
    settings.opacity = 75;
    settings.vertical_alignment = 1;
    settings.horizontal_alignment = 2;
    settings.rotation = 45;
    settings.background = true;
    settings.image_path = "/img/标志.png";
    settings.original_size = true;
    settings.size_scale = 60;
    settings.text = "机密";
    settings.font_size = 36;
    settings.font = 3;
    settings.alpha = 200;
    settings.red = 10;
    settings.green = 20;
    settings.blue = 30;
    settings.multi_line = true;
    return settings;
}

const BuilderCase kBuilderCases[] = {
    {"get_file_info",
     [](KPdfCoreManager* m) {
         KGetInfo op(m, 7);
         return Submitted(op, op.GetFileInfo("/d/报告.pdf"));
     },
     R"({"cmd":"get_file_info","file":"/d/报告.pdf","check_img_pdf":1,"try_no":7})"},
    {"image_resize",
     [](KPdfCoreManager* m) {
         KImgOperate op(m);
         return Submitted(op, op.ResizeImage("/a.png", "/b.png", 640, 480));
     },
     R"({"cmd":"image_resize","source_path":"/a.png","target_path":"/b.png","width":640,
         "height":480})"},
    {"image_compress",
     [](KPdfCoreManager* m) {
         KImgOperate op(m);
         return Submitted(op, op.CompressImage("/a.jpg", "/b.jpg", 200));
     },
     R"({"cmd":"image_compress","source_path":"/a.jpg","target_path":"/b.jpg","max_size":200})"},
    {"image_reformat",
     [](KPdfCoreManager* m) {
         KImgOperate op(m);
         return Submitted(op, op.ReformatImage("/a.bmp", "/b.png"));
     },
     R"({"cmd":"image_reformat","source_path":"/a.bmp","target_path":"/b.png"})"},
    {"docx_to_pdf",
     [](KPdfCoreManager* m) {
         KOthersToPdf op(m);
         op.AddPage(1);
         return Submitted(op, op.ConvertToPdf("/Report.DOCX", "/out.pdf", 2));
     },
     R"({"cmd":"docx_to_pdf","source_path":"/Report.DOCX","target_path":"/out.pdf",
         "pages":[1]})"},
    {"jpg_to_pdf",
     [](KPdfCoreManager* m) {
         KOthersToPdf op(m);
         return Submitted(op,
                          op.ImagesToPdf("/album.pdf", {"/2.png", "/1.jpg"}, {true, 50, 2, 1, 2}));
     },
     R"({"cmd":"jpg_to_pdf","target_path":"/album.pdf","compress":1,"image_quality":50,
         "page_size":2,"page_direction":1,"page_margin":2,"images":["/2.png","/1.jpg"]})"},
    {"new_split_pdf",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         op.SetPassword("pw");
         return Submitted(op, op.SplitPdf("/a.pdf", "/parts", {{1, 3}, {7, 7}}));
     },
     R"({"cmd":"new_split_pdf","source_path":"/a.pdf","target_path":"/parts",
         "page_range":[{"start":1,"end":3},{"start":7,"end":7}],"password":"pw"})"},
    {"new_merge_pdf",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         return Submitted(op,
                          op.MergePdf("/all.pdf", {{1, 2, "/a.pdf", ""}, {3, 9, "/b.pdf", "x"}}));
     },
     R"({"cmd":"new_merge_pdf","target_path":"/all.pdf","source_file_list":[
         {"start":1,"end":2,"file_path":"/a.pdf","password":""},
         {"start":3,"end":9,"file_path":"/b.pdf","password":"x"}]})"},
    {"pdf_pickup_pages",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         op.AddPage(5);
         op.AddPage(2);
         return Submitted(op, op.PickupPages("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_pickup_pages","source_path":"/a.pdf","target_path":"/b.pdf","pages":[5,2]})"},
    {"pdf_delete_pages",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         op.AddPage(4);
         return Submitted(op, op.DeletePages("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_delete_pages","source_path":"/a.pdf","target_path":"/b.pdf","pages":[4]})"},
    {"pdf_encrypt",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         op.SetPassword("新密码");
         return Submitted(op, op.EncryptPdf("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_encrypt","source_path":"/a.pdf","target_path":"/b.pdf","password":"新密码"})"},
    {"pdf_decrypt",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         op.SetPassword("old");
         return Submitted(op, op.DecryptPdf("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_decrypt","source_path":"/a.pdf","target_path":"/b.pdf","password":"old"})"},
    {"pdf_extract_images",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         return Submitted(op, op.ExtractImages("/a.pdf", "/pictures"));
     },
     R"({"cmd":"pdf_extract_images","source_path":"/a.pdf","target_dir":"/pictures"})"},
    {"pdf_merge",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         return Submitted(op, op.MergeFiles("/all.pdf", {"/z.pdf", "/a.pdf"}));
     },
     R"({"cmd":"pdf_merge","target_path":"/all.pdf","files":["/z.pdf","/a.pdf"]})"},
    {"pdf_compress",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         return Submitted(op, op.CompressPdf("/a.pdf", "/b.pdf", 2));
     },
     R"({"cmd":"pdf_compress","source_path":"/a.pdf","target_path":"/b.pdf","compress_type":2})"},
    {"pdf_add_watermark",
     [](KPdfCoreManager* m) {
         KPdfOperate op(m);
         return Submitted(op, op.AddWatermark("/a.pdf", "/b.pdf", SampleWatermark()));
     },
     R"({"cmd":"pdf_add_watermark","source_path":"/a.pdf","target_path":"/b.pdf",
         "watermark_type":2,"opacity":75,"vertical_alignment":1,"horizontal_alignment":2,
         "rotate":45,"is_background":1,"image_watermark_path":"/img/标志.png","is_orgin_size":1,
         "size_scale":60,"watermark_text":"机密","font_size":36,"font_color_a":200,
         "font_color_r":10,"font_color_g":20,"font_color_b":30,"font":3,"multi_line":1})"},
    {"pdf_to_pptx",
     [](KPdfCoreManager* m) {
         KPdfToOthers op(m);
         return Submitted(op, op.ConvertFromPdf("/a.pdf", "/slides.pptx", 5));
     },
     R"({"cmd":"pdf_to_pptx","source_path":"/a.pdf","target_path":"/slides.pptx"})"},
    {"pdf_to_img_pdf",
     [](KPdfCoreManager* m) {
         KPdfToOthers op(m);
         return Submitted(op, op.ToImagePdf("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_to_img_pdf","source_path":"/a.pdf","target_path":"/b.pdf"})"},
    {"pdf_to_curve",
     [](KPdfCoreManager* m) {
         KPdfToOthers op(m);
         return Submitted(op, op.ToCurve("/a.pdf", "/b.pdf"));
     },
     R"({"cmd":"pdf_to_curve","source_path":"/a.pdf","target_path":"/b.pdf"})"},
    {"pdf_to_png without merge",
     [](KPdfCoreManager* m) {
         KPdfToImages op(m, true, nullptr);
         return Submitted(op, op.ConvertToImages(11, false, "/a.pdf", "/out", 1.5f, 3));
     },
     R"({"cmd":"pdf_to_png","source_path":"/a.pdf","merge":0,"target_path":"/out",
         "scale":1.5,"pagePerImage":3})"},
    {"pdf_to_jpg merged by the core",
     [](KPdfCoreManager* m) {
         KPdfToImages op(m, true, nullptr);
         return Submitted(op, op.ConvertToImages(10, true, "/a.pdf", "/out", 2.0f, 1));
     },
     R"({"cmd":"pdf_to_jpg","source_path":"/a.pdf","merge":1,"target_path":"/out",
         "scale":2.0,"pagePerImage":1})"},
};

class OperationRecordsTest : public ::testing::Test {
protected:
    std::unique_ptr<KPdfCoreManager> manager_ = IdleManager();
};

TEST_F(OperationRecordsTest, EveryBuilderStoresItsKeysWithTheirTypes) {
    for (const BuilderCase& c : kBuilderCases) {
        const int id = c.build(manager_.get());
        ASSERT_NE(id, 0) << c.name;
        auto record = StoredRecord(*manager_, id);
        ASSERT_TRUE(record) << c.name;
        EXPECT_EQ((*record)["task_id"], Json::Value(id)) << c.name;
        record->removeMember("task_id");
        const Json::Value expected = ParseJson(c.expected);
        ASSERT_TRUE(expected.isObject()) << c.name;
        EXPECT_EQ(*record, expected) << c.name << "\n" << record->toStyledString();
    }
}

TEST_F(OperationRecordsTest, EmptyPasswordAndNoPagesAddNoKeys) {
    KPdfOperate op(manager_.get());
    op.SetPassword("");
    ASSERT_TRUE(op.DecryptPdf("/a.pdf", "/b.pdf"));
    const auto record = StoredRecord(*manager_, op.CoreTaskId());
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->isMember("password"));
    EXPECT_FALSE(record->isMember("pages"));
}

TEST_F(OperationRecordsTest, ScaleIsTheSinglePrecisionValueAsAJsonReal) {
    KPdfToImages op(manager_.get(), true, nullptr);
    ASSERT_TRUE(op.ConvertToImages(12, false, "/a.pdf", "/out", 0.1f, 1));
    const auto record = StoredRecord(*manager_, op.CoreTaskId());
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["scale"].type(), Json::realValue);
    EXPECT_EQ((*record)["scale"].asDouble(), static_cast<double>(0.1f));
}

TEST_F(OperationRecordsTest, UnknownTypeCodesFailWithoutSubmitting) {
    KPdfToOthers probe(manager_.get());
    ASSERT_TRUE(probe.ToCurve("/a.pdf", "/b.pdf"));
    const int before = probe.CoreTaskId();

    const std::pair<const char*, std::function<bool()>> failing[] = {
        {"picture to pdf",
         [&] { return KOthersToPdf(manager_.get()).ConvertToPdf("/s.JPEG", "/s.pdf", 7); }},
        {"no type", [&] { return KOthersToPdf(manager_.get()).ConvertToPdf("/s", "/s.pdf", 0); }},
        {"ppt target",
         [&] { return KPdfToOthers(manager_.get()).ConvertFromPdf("/a.pdf", "/s.ppt", 0); }},
        {"image target",
         [&] { return KPdfToOthers(manager_.get()).ConvertFromPdf("/a.pdf", "/s.jpg", 10); }},
        {"gif pages",
         [&] {
             return KPdfToImages(manager_.get(), false, nullptr)
                 .ConvertToImages(13, true, "/a.pdf", "/o", 1, 1);
         }},
    };
    for (const auto& [name, call] : failing)
        EXPECT_FALSE(call()) << name;

    ASSERT_TRUE(probe.ToCurve("/a.pdf", "/b.pdf"));
    EXPECT_EQ(probe.CoreTaskId(), before + 1);
}

TEST(OperationCoreMergeTest, FlagFromTheCoreConfigurationDefaultsToCoreMerging) {
    const std::pair<const char*, bool> cases[] = {
        {nullptr, true},
        {"[kpdfcore]\npdf_to_image=2\n", true},
        {"[kpdfcore]\npdf_to_image=1\n", false},
        {"[KPDFCORE]\nPDF_TO_IMAGE = 0\n", false},
        {"[other]\npdf_to_image=1\n", true},
    };
    for (const auto& [text, merges] : cases) {
        TempDir program;
        if (text) {
            std::filesystem::create_directories(program / "cfgdata");
            std::ofstream(program / "cfgdata/kpdfcore.ini") << text;
        }
        EXPECT_EQ(KPdfToImages::CoreMergesPages(program.Path()), merges) << (text ? text : "none");
    }
}

}  // namespace
