#include <gtest/gtest.h>

#include <string>

#include "core/FileTypeCodes.h"

namespace {

struct NameCase {
    const char* path;
    int source;
    int target;
};

TEST(FileTypeCodesTest, ExtensionOfTheFileNameSelectsTheCodes) {
    const NameCase cases[] = {
        {"/docs/Report.DOCX", 2, 2},
        {"/docs/scan.JPEG", 7, 0},
        {"/docs/scan.jpg", 7, 10},
        {"photo.Tiff", 7, 0},
        {"a.gif", 7, 0},
        {"old.doc", 1, 1},
        {"t.xls", 3, 3},
        {"t.xlsx", 4, 4},
        {"slides.ppt", 5, 0},
        {"slides.pptx", 6, 5},
        {"notes.txt", 10, 6},
        {"page.html", 0, 7},
        {"p.png", 7, 11},
        {"p.BMP", 7, 12},
        {"archive.tar.gz", 0, 0},
        {"README", 0, 0},
        {"/home/me.d/README", 0, 0},
        {"trailing.", 0, 0},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(file_types::SourceTypeCode(c.path), c.source) << c.path;
        EXPECT_EQ(file_types::TargetTypeCode(c.path), c.target) << c.path;
    }
}

TEST(FileTypeCodesTest, CommandsExistOnlyForConvertibleTypes) {
    const std::pair<int, const char*> to_pdf[] = {
        {1, "doc_to_pdf"},
        {2, "docx_to_pdf"},
        {3, "xls_to_pdf"},
        {4, "xlsx_to_pdf"},
        {5, "ppt_to_pdf"},
        {6, "pptx_to_pdf"},
        {10, "txt_to_pdf"},
        {7, ""},
        {0, ""},
        {8, ""},
    };
    for (const auto& [type, cmd] : to_pdf)
        EXPECT_EQ(file_types::ToPdfCommand(type), cmd) << type;

    const std::pair<int, const char*> from_pdf[] = {
        {1, "pdf_to_doc"},  {2, "pdf_to_docx"}, {3, "pdf_to_xls"},  {4, "pdf_to_xlsx"},
        {5, "pdf_to_pptx"}, {6, "pdf_to_txt"},  {7, "pdf_to_html"}, {0, ""},
        {10, ""},
    };
    for (const auto& [type, cmd] : from_pdf)
        EXPECT_EQ(file_types::FromPdfCommand(type), cmd) << type;

    const std::pair<int, const char*> to_images[] = {
        {10, "pdf_to_jpg"}, {11, "pdf_to_png"}, {12, "pdf_to_bmp"}, {7, ""}, {13, ""},
    };
    for (const auto& [type, cmd] : to_images)
        EXPECT_EQ(file_types::PdfToImagesCommand(type), cmd) << type;
}

}  // namespace
