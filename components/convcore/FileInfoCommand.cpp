#include "convcore/FileInfoCommand.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "convcore/LibreOfficePdf.h"
#include "convcore/PptxSlides.h"
#include "convcore/RecordFields.h"
#include "platform/Text.h"
#include "quire-mupdf/PdfFacts.h"

namespace convcore {
namespace {

constexpr std::chrono::minutes kLibreOfficeTimeout{2};

enum class FileKind { kPdf, kPresentation, kOpenXml, kLegacyOffice };

FileKind KindOf(const std::filesystem::path& file) {
    const std::string extension = platform::AsciiToLower(file.extension().string());
    if (extension == ".pptx")
        return FileKind::kPresentation;
    if (extension == ".docx" || extension == ".xlsx")
        return FileKind::kOpenXml;
    if (extension == ".doc" || extension == ".xls" || extension == ".ppt")
        return FileKind::kLegacyOffice;
    // Anything else is read as a PDF, whatever it is called; what is not one is unreadable.
    return FileKind::kPdf;
}

void ReportFacts(const quiremupdf::PdfFacts& facts, TaskContext& context) {
    context.Report("page_count", facts.page_count);
    context.Report("is_encrypted", facts.is_encrypted);
    context.Report("password_ok", facts.password_ok);
    context.Report("is_image_pdf", facts.is_image_pdf);
    context.Report("is_unreadable_pdf", facts.is_unreadable);
    context.Report("pdf_canto_cad", facts.can_to_cad);
    context.Report("max_scale", facts.max_scale);
    context.Report("max_width", facts.max_width);
    context.Report("max_height", facts.max_height);
}

// An office document is never an image PDF or a drawing.
quiremupdf::PdfFacts OfficeFacts(int page_count, bool encrypted, std::string error) {
    quiremupdf::PdfFacts facts;
    facts.page_count = page_count;
    facts.is_encrypted = encrypted ? 1 : 0;
    facts.is_image_pdf = 0;
    facts.can_to_cad = 0;
    facts.is_unreadable = page_count >= 0 || encrypted ? 0 : 1;
    facts.error = std::move(error);
    return facts;
}

quiremupdf::PdfFacts PresentationFacts(const std::filesystem::path& file, TaskContext& context) {
    const SlideCount slides = CountShownSlides(file, [&context] { return context.IsCancelled(); });
    return OfficeFacts(slides.shown, slides.encrypted, slides.error);
}

// No cheap exact count exists for these: the layout decides the pages, so the document is
// exported the way the conversion itself would export it.
quiremupdf::PdfFacts ExportedFacts(const std::filesystem::path& file, TaskContext& context) {
    if (KindOf(file) == FileKind::kOpenXml && IsCompoundFile(file))
        return OfficeFacts(-1, true, "the document is password-protected");
    const std::filesystem::path soffice = FindLibreOffice();
    if (soffice.empty()) {
        quiremupdf::PdfFacts facts =
            OfficeFacts(-1, false, "the page count needs LibreOffice, which is not installed");
        facts.is_unreadable = -1;
        return facts;
    }
    std::string error;
    const int pages = CountPagesWithLibreOffice(
        soffice, file, kLibreOfficeTimeout, [&context] { return context.IsCancelled(); }, &error);
    return OfficeFacts(pages, false, error);
}

quiremupdf::PdfFacts PdfFileFacts(const std::filesystem::path& file, const Json::Value& record,
                                  TaskContext& context) {
    quiremupdf::PdfFactOptions options;
    options.password = TextField(record, "password");
    options.check_image_pdf = IntField(record, "check_img_pdf", 1) != 0;
    options.cancelled = [&context] { return context.IsCancelled(); };
    options.progress = [&context](int percent) { context.SetProgress(percent); };
    return quiremupdf::ReadPdfFacts(file, options);
}

}  // namespace

TaskOutcome GetFileInfo(const Json::Value& record, TaskContext& context) {
    const std::string name = TextField(record, "file");
    const std::filesystem::path file(name);
    std::error_code failure;
    if (name.empty() || !std::filesystem::is_regular_file(file, failure))
        return TaskOutcome::Failure("file not found: " + name);
    quiremupdf::PdfFacts facts;
    switch (KindOf(file)) {
        case FileKind::kPdf:
            facts = PdfFileFacts(file, record, context);
            break;
        case FileKind::kPresentation:
            facts = PresentationFacts(file, context);
            break;
        case FileKind::kOpenXml:
        case FileKind::kLegacyOffice:
            facts = ExportedFacts(file, context);
            break;
    }
    if (context.IsCancelled() || facts.cancelled)
        return TaskOutcome::Failure("cancelled");
    // Nothing learned at all: the engine itself failed, not the document.
    if (facts.is_encrypted < 0 && facts.is_unreadable < 0)
        return TaskOutcome::Failure(facts.error);
    ReportFacts(facts, context);
    return TaskOutcome::Success(facts.error);
}

}  // namespace convcore
