#include "cli/FunctionTable.h"

#include "core/FileTypeCodes.h"

namespace cli {
namespace {

using Extensions = std::vector<std::string_view>;

const Extensions kPdf = {"pdf"};
const Extensions kPictures = {"jpg", "png", "bmp", "jpeg", "tif", "tiff", "gif"};
const Extensions kOfficeAndPdf = {"doc", "docx", "xls", "xlsx", "ppt", "pptx", "pdf"};
const Extensions kCad = {"dwg", "dxf"};
// Every extension the image library reads: the change-format window takes all of them.
const Extensions kImageLibrary = {
    "jpg",  "jxr",  "wdp", "hdp",  "pcd", "pcx",   "xbm",  "bmp",  "pfm",  "cut", "iff",
    "lbm",  "xpm",  "pct", "pict", "pic", "j2k",   "j2c",  "jng",  "png",  "dds", "jp2",
    "pbm",  "pgm",  "ppm", "psd",  "exr", "jif",   "jpeg", "jpe",  "cmp",  "jff", "jfi",
    "jfif", "jiff", "jtf", "g3",   "ras", "hdr",   "koa",  "3fr",  "arw",  "bay", "cine",
    "cr2",  "crw",  "cs1", "dc2",  "dcr", "drf",   "dsc",  "dng",  "erf",  "fff", "ia",
    "iiq",  "k25",  "kc2", "kdc",  "mdc", "mef",   "mos",  "mrw",  "nef",  "nrw", "orf",
    "pef",  "ptx",  "pxn", "qtk",  "raf", "raw",   "rdc",  "rw2",  "rwl",  "rwz", "sr2",
    "srf",  "srw",  "sti", "x3f",  "gif", "mng",   "sgi",  "rgb",  "rgba", "bw",  "ico",
    "wap",  "wbmp", "wbm", "webp", "tga", "targa", "tif",  "tiff", "tim",  "g4"};

constexpr CliOption kPassword{"password", "TEXT", "open password of the source PDFs"};
constexpr CliOption kPageRange{"pages", "A-B",
                               "page range to convert, e.g. 2-9 (default: every page)"};
constexpr CliOption kAllowUpload{
    "agree-upload", "",
    "agree to upload files to the online conversion service (stored, as the window's answer)"};
constexpr CliOption kPrecise{"precise", "", "精准转换模式: convert on the online service"};
constexpr CliOption kSplitLarge{
    "split-large", "", "拆分转换: convert a range of 100 pages or more in parts of 50 pages"};
constexpr CliOption kPageImageFormat{"format", "jpg|png|bmp", "picture format (default jpg)"};
constexpr CliOption kLongImage{"long-image", "", "生成长图: join pages into tall pictures"};
constexpr CliOption kPagesPerImage{"pages-per-image", "2|4|6|8|10|all",
                                   "pages joined per picture with --long-image (default all)"};
constexpr CliOption kImageQuality{
    "image-quality", "50|100|200|300|400",
    "output scale in percent (default 200; with --long-image at most 200)"};
constexpr CliOption kPictureFormat{"format", "jpg|png", "target format (default jpg)"};

const std::vector<CliOption> kPageImageOptions = {kPageImageFormat, kLongImage, kPagesPerImage,
                                                  kImageQuality,    kPageRange, kPassword};

std::vector<CliFunction> BuildFunctions() {
    std::vector<CliFunction> functions;
    auto add = [&functions](CliFunction function) { functions.push_back(std::move(function)); };

    add({"info",
         "",
         0,
         Family::kInfo,
         "print each file's facts: pages, encryption, image-only, unreadable",
         {},
         {kPassword}});

    add({"pdf-to-word",
         "PDF转Word",
         11,
         Family::kPdfToDocument,
         "PDF to Word documents",
         kPdf,
         {{"format", "docx|doc", "document format (default docx)"},
          kPageRange,
          kPassword,
          kPrecise,
          kAllowUpload,
          kSplitLarge}});
    add({"pdf-to-excel",
         "PDF转Excel",
         12,
         Family::kPdfToDocument,
         "PDF to Excel workbooks",
         kPdf,
         {{"format", "xlsx|xls", "workbook format (default xlsx)"},
          kPageRange,
          kPassword,
          kPrecise,
          kAllowUpload,
          kSplitLarge}});
    add({"pdf-to-ppt",
         "PDF转PPT",
         13,
         Family::kPdfToDocument,
         "PDF to PowerPoint (.pptx)",
         kPdf,
         {kPageRange, kPassword, kPrecise, kAllowUpload, kSplitLarge}});
    add({"pdf-to-image", "PDF转图片", 14, Family::kPageImages,
         "PDF pages to pictures, in a folder per file", kPdf, kPageImageOptions});
    add({"pdf-to-txt",
         "PDF转TXT",
         15,
         Family::kPdfToDocument,
         "PDF to plain text",
         kPdf,
         {kPageRange, kPassword, kSplitLarge}});
    add({"pdf-to-cad",
         "PDF转CAD",
         43,
         Family::kPdfToCad,
         "PDF to CAD drawings (online service)",
         kPdf,
         {{"format", "dwg|dxf", "drawing format (default dwg)"},
          kPageRange,
          kPassword,
          kAllowUpload}});
    add({"pdf-to-image-pdf",
         "转为纯图",
         17,
         Family::kRedrawPdf,
         "every page redrawn as a picture, in a new PDF",
         kPdf,
         {kPassword}});
    add({"pdf-to-curve",
         "转为矢量图",
         18,
         Family::kRedrawPdf,
         "a PDF whose text is drawn as vector outlines",
         kPdf,
         {kPassword}});

    add({"word-to-pdf",
         "Word转PDF",
         21,
         Family::kDocumentToPdf,
         "Word documents to PDF",
         {"docx", "doc"},
         {kPageRange, kPrecise, kAllowUpload}});
    add({"excel-to-pdf",
         "Excel转PDF",
         22,
         Family::kDocumentToPdf,
         "Excel workbooks to PDF",
         {"xlsx", "xls"},
         {kPageRange, kPrecise, kAllowUpload}});
    add({"ppt-to-pdf",
         "PPT转PDF",
         23,
         Family::kDocumentToPdf,
         "PowerPoint files to PDF",
         {"pptx", "ppt"},
         {kPageRange, kPrecise, kAllowUpload}});
    add({"image-to-pdf",
         "图片转PDF",
         24,
         Family::kImageToPdf,
         "pictures to PDF, one per picture or merged",
         kPictures,
         {{"merge", "", "合成一个PDF: all pictures into one PDF, in order"},
          {"sort", "name|time", "order the pictures by file name or by creation time"},
          {"quality", "lossless|high|normal|strong",
           "picture compression: 原图无损, 保留高清, 普通压缩, 深度压缩 (default lossless)"},
          {"page-size", "own|a3|a4", "page size: the picture's own, A3 or A4 (default own)"},
          {"direction", "portrait|landscape", "page orientation (default portrait)"},
          {"margin", "none|narrow|wide", "page margins (default none)"}}});
    add({"cad-to-pdf",
         "CAD转PDF",
         41,
         Family::kCadToPdf,
         "CAD drawings to PDF (online service)",
         kCad,
         {{"background", "white|black", "background colour (default white)"}, kAllowUpload}});
    add({"html-to-pdf",
         "",
         25,
         Family::kHtmlToPdf,
         "web pages to PDF (made by an outside producer, which is not available)",
         {},
         {}});
    add({"txt-to-pdf",
         "TXT转PDF",
         26,
         Family::kDocumentToPdf,
         "text files to PDF",
         {"txt"},
         {kPageRange}});

    add({"split",
         "拆分PDF",
         31,
         Family::kSplit,
         "split PDFs into one file per page range",
         kPdf,
         {{"pages", "A-B,C-D", "选择范围: one part per range, e.g. 1-5,6-10"},
          {"every", "N", "最大页数: a new part every N pages (default 1)"},
          kPassword},
         "拆分成功",
         "拆分失败"});
    add({"merge",
         "合并PDF",
         32,
         Family::kMerge,
         "merge PDFs into one, in the order given",
         kPdf,
         {{"name", "NAME", "output name without .pdf (default 合并PDF)"},
          {"sort", "name|time", "order the files by file name or by creation time"},
          kPassword},
         "合并成功",
         "合并失败"});
    add({"encrypt",
         "PDF加密",
         33,
         Family::kEncrypt,
         "protect PDFs with an open password",
         kPdf,
         {{"new-password", "TEXT", "the password to set: digits and letters only"},
          {"confirm-password", "TEXT", "the same password again"},
          kPassword},
         "加密成功",
         "加密失败"});
    add({"extract-pages",
         "提取页面",
         34,
         Family::kPickPages,
         "chosen pages into a new PDF",
         kPdf,
         {{"page", "N", "提取单个页面: one page (default 1)"},
          {"pages", "A-B,C-D", "提取指定页面: every page of the ranges"},
          kPassword},
         "提取成功",
         "提取失败"});
    add({"delete-pages",
         "删除页面",
         35,
         Family::kPickPages,
         "a PDF without the chosen pages",
         kPdf,
         {{"page", "N", "删除单个页面: one page (default 1)"},
          {"pages", "A-B,C-D", "删除指定页面: every page of the ranges"},
          kPassword},
         "删除成功",
         "删除失败"});
    add({"extract-images",
         "提取图片",
         36,
         Family::kExtractImages,
         "the pictures of PDFs as .jpg files, in a folder per file",
         kPdf,
         {kPageRange, kPassword},
         "提取成功",
         "提取失败"});
    add({"watermark",
         "添加水印",
         37,
         Family::kWatermark,
         "a text or picture watermark on PDFs",
         kPdf,
         {{"watermark-text", "TEXT", "文字水印: the text"},
          {"font", "song|kai|yahei|arial", "font: 宋体, 楷体, 微软雅黑 or Arial (default song)"},
          {"font-size", "1..91", "font size (default 50)"},
          {"color", "RRGGBB", "text colour (default 000000)"},
          {"watermark-image", "FILE", "图片水印: the picture"},
          {"scale", "PERCENT", "picture size relative to the page (default: its own size)"},
          {"opacity", "100|75|50|25", "opacity in percent (default 100)"},
          {"rotate", "0|45|90|180|270|-45", "rotation in degrees (default 0)"},
          {"position", "center|top|bottom|left|right|top-left|top-right|bottom-left|bottom-right",
           "where a single watermark sits (default center)"},
          {"below", "", "PDF页面下方: put the watermark under the page content"},
          {"multi-line", "", "多行水印: repeat the watermark over the page"},
          kPageRange,
          kPassword},
         "添加成功",
         "添加失败"});
    add({"compress",
         "PDF压缩",
         38,
         Family::kCompress,
         "make PDFs smaller",
         kPdf,
         {{"level", "lossless|high|standard|strongest",
           "无损压缩, 高清压缩, 标准压缩 or 深度压缩, also 1..4 (default standard)"},
          kPassword},
         "压缩成功",
         "压缩失败"});

    add({"ocr",
         "OCR文字识别",
         51,
         Family::kImageToWord,
         "text recognition of pictures into .doc (online service)",
         kPictures,
         {kAllowUpload}});
    add({"image-resize",
         "修改尺寸",
         52,
         Family::kImageResize,
         "pictures scaled",
         kPictures,
         {{"percent", "1..400", "等比缩放: scale in percent (default 100)"},
          {"width", "PX", "像素: target width"},
          {"height", "PX", "像素: target height"},
          {"free-ratio", "", "with --width and --height: do not keep the proportions"},
          kPictureFormat},
         "处理完成",
         "处理失败"});
    add({"image-compress",
         "图片压缩",
         53,
         Family::kImageCompress,
         "pictures made smaller",
         kPictures,
         {{"max-size", "N", "期望小于: at most N units (default 500)"},
          {"unit", "kb|mb", "unit of --max-size (default kb)"},
          {"percent", "10..90", "百分比: at most this share of the file size"},
          kPictureFormat},
         "压缩成功",
         "压缩失败"});
    add({"office-to-image", "Office转图片", 54, Family::kPageImages,
         "Office documents and PDFs to pictures, in a folder per file", kOfficeAndPdf,
         kPageImageOptions});
    add({"image-convert",
         "图片转换",
         55,
         Family::kImageConvert,
         "pictures in another format",
         kImageLibrary,
         {{"format", "jpg|png|bmp|gif|tiff", "target format (default jpg)"}}});
    return functions;
}

}  // namespace

const std::vector<CliFunction>& Functions() {
    static const std::vector<CliFunction> functions = BuildFunctions();
    return functions;
}

const CliFunction* FindFunction(std::string_view name) {
    for (const CliFunction& function : Functions()) {
        if (function.name == name)
            return &function;
    }
    return nullptr;
}

const CliOption* FindOption(const CliFunction& function, std::string_view name) {
    for (const CliOption& option : function.options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

bool Accepts(const CliFunction& function, const std::string& path) {
    if (function.extensions.empty())
        return true;
    const std::string extension = file_types::LowerExtension(path);
    for (std::string_view accepted : function.extensions) {
        if (extension == accepted)
            return true;
    }
    return false;
}

}  // namespace cli
