#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeSettings.h"
#include "convcore/TaskContext.h"
#include "reconstruct/LayoutModel.h"

namespace convcore {

// PDF to editable documents, rebuilt page by page from the text, tables,
// pictures and drawings of the PDF: "pdf_to_docx", "pdf_to_xlsx",
// "pdf_to_pptx", and "pdf_to_doc" and "pdf_to_xls", which LibreOffice saves in
// the older formats from the rebuilt .docx and .xlsx. Each takes "source_path",
// "target_path", "pages" and "password"; with "ocr" 1, scanned pages are
// recognised (in the record's "languages", else Chinese and English) instead
// of being kept as pictures.
void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher);

// The same with fixed LibreOffice settings instead of this installation's.
void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings);

// The writing of rebuilt pages, shared with the other commands that rebuild documents.

using OfficeSettingsSource = std::function<std::optional<OfficeSettings>(std::string* error)>;

// A document written page by page.
class DocumentSink {
public:
    virtual ~DocumentSink() = default;
    virtual bool AddPage(const reconstruct::Page& page, std::string* error) = 0;
    virtual bool Finish(std::string* error) = 0;
};

// Opens the sink that writes `file`; `scratch` is the task's private temporary folder.
using SinkOpener = std::function<std::unique_ptr<DocumentSink>(
    const std::filesystem::path& file, const std::filesystem::path& scratch,
    const reconstruct::RunningText& running, std::string* error)>;

// The Word writer as a sink.
std::unique_ptr<DocumentSink> OpenWordSink(const std::filesystem::path& file,
                                           const std::filesystem::path& scratch,
                                           const reconstruct::RunningText& running,
                                           std::string* error);

struct RebuiltTarget {
    SinkOpener open;
    const char* extension = ".docx";     // of the file the sink writes
    const char* older_format = nullptr;  // "doc" or "xls" when LibreOffice saves the result again
};

// A document's pages rebuilt one at a time, in order.
class RebuiltPages {
public:
    virtual ~RebuiltPages() = default;
    virtual std::size_t Count() const = 0;
    // The running header and footer; asked once, before the first page.
    virtual reconstruct::RunningText Running() = 0;
    // Page `n` (0-based in the pages chosen); `page_progress` (0..100) may be told how far a
    // slow page has come. False with the reason.
    virtual bool Rebuild(std::size_t n, const std::function<void(int percent)>& page_progress,
                         reconstruct::Page* page, std::string* error) = 0;
};

// The chosen pages ("pages") of the record's PDF ("source_path", "password") rebuilt as the
// pdf_to_* commands rebuild them. Scanned pages are recognised when the record has "ocr" 1;
// with `recognise`, every page without text that shows a picture is. Nullptr with the reason
// when the PDF cannot be opened or the pages are not in it.
std::unique_ptr<RebuiltPages> OpenRebuiltPdf(const Json::Value& record, bool recognise,
                                             TaskContext& context, std::string* error);

// Writes `pages` to `target`: progress per page, a cancel seen between pages, LibreOffice
// saving the older format after when the target asks for one, the file in place only when
// complete.
TaskOutcome WriteRebuiltDocument(RebuiltPages& pages, const RebuiltTarget& kind,
                                 const std::filesystem::path& target,
                                 const OfficeSettingsSource& settings, TaskContext& context);

}  // namespace convcore
