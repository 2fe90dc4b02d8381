#include "convcore/WatermarkCommands.h"

#include <qpdf/QPDFWriter.hh>

#include <set>
#include <system_error>

#include "convcore/PageToolPdf.h"
#include "convcore/PageToolWriter.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/WatermarkArtwork.h"
#include "convcore/WatermarkOptions.h"
#include "convcore/WatermarkPreview.h"
#include "convcore/WatermarkStamp.h"

namespace convcore {
namespace {

constexpr char kCancelled[] = "cancelled";
constexpr int kOpenedProgress = 5;
constexpr int kStampedProgress = 40;
constexpr int kDefaultPreviewWidth = 210;
constexpr int kLargestPreviewWidth = 4096;

TaskOutcome WriteFailure(const WriteResult& written) {
    if (written.status == WriteStatus::kCancelled)
        return TaskOutcome::Failure(kCancelled);
    if (written.status == WriteStatus::kCannotSave)
        return TaskOutcome::Failure("cannot save: " + written.detail);
    return TaskOutcome::Failure("cannot read the PDF: " + written.detail);
}

// The one-page preview is handed straight to the renderer: no compression to undo.
bool WriteToMemory(QPDF& pdf, std::string* bytes, std::string* error) {
    try {
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.write();
        const auto buffer = writer.getBufferSharedPointer();
        bytes->assign(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
        return true;
    } catch (const std::exception& exception) {
        *error = std::string("cannot read the PDF: ") + exception.what();
        return false;
    }
}

void Complain(const std::vector<std::string>& notes) {
    for (const std::string& note : notes)
        std::fprintf(stderr, "quire-core: %s\n", note.c_str());
}

WatermarkOptions ReadOptions(const Json::Value& record) {
    std::vector<std::string> notes;
    WatermarkOptions options = ReadWatermarkOptions(record, &notes);
    Complain(notes);
    return options;
}

// False with the reason when the output cannot go to `target`'s folder.
bool CheckTarget(const std::filesystem::path& target, std::string* error) {
    if (target.empty() || !target.has_filename()) {
        *error = "no target file given";
        return false;
    }
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    std::error_code failure;
    if (!std::filesystem::is_directory(folder, failure)) {
        *error = "the output folder does not exist: " + folder.string();
        return false;
    }
    return true;
}

// The record's pages (0-based, each once, in the order given); every page without a list.
bool ChosenPages(const Json::Value& record, int page_count, std::vector<int>* pages,
                 std::string* error) {
    std::vector<int> listed;
    if (!ChoosePages(record, page_count, &listed, error))
        return false;
    std::set<int> seen;
    pages->clear();
    for (const int index : listed) {
        // A page listed twice must not get the watermark twice.
        if (seen.insert(index).second)
            pages->push_back(index);
    }
    return true;
}

bool StampPages(SourcePdf& source, const std::vector<int>& pages, WatermarkStamper& stamper,
                TaskContext& context, std::string* error) {
    for (std::size_t done = 0; done < pages.size(); ++done) {
        if (context.IsCancelled()) {
            *error = kCancelled;
            return false;
        }
        if (!stamper.Stamp(source.pages[static_cast<std::size_t>(pages[done])], error))
            return false;
        context.SetProgress(
            kOpenedProgress +
            static_cast<int>((kStampedProgress - kOpenedProgress) * (done + 1) / pages.size()));
    }
    return true;
}

TaskOutcome AddWatermark(const Json::Value& record, TaskContext& context) {
    const WatermarkOptions options = ReadOptions(record);
    std::string error = MissingWatermarkContent(options);
    if (!error.empty())
        return TaskOutcome::Failure(error);
    const std::filesystem::path target(TextField(record, "target_path"));
    if (!CheckTarget(target, &error))
        return TaskOutcome::Failure(error);
    const auto artwork = WatermarkArtwork::Prepare(options, &error);
    if (artwork == nullptr)
        return TaskOutcome::Failure(error);
    const auto source =
        OpenSourcePdf(TextField(record, "source_path"), TextField(record, "password"), &error);
    if (source == nullptr)
        return TaskOutcome::Failure(error);
    std::vector<int> pages;
    if (!ChosenPages(record, source->PageCount(), &pages, &error))
        return TaskOutcome::Failure(error);
    context.SetProgress(kOpenedProgress);
    WatermarkStamper stamper(*source->pdf, *artwork, options.background);
    if (!StampPages(*source, pages, stamper, context, &error))
        return TaskOutcome::Failure(error);
    PendingOutput output(target);
    // A watermarked copy of a protected document stays protected the same way.
    WriteSettings protection;
    protection.keep_source_protection = true;
    const WriteResult written =
        WritePdf(*source->pdf, output.WorkPath(), protection, context, {kStampedProgress, 100});
    if (written.status != WriteStatus::kWritten)
        return WriteFailure(written);
    if (!output.Commit(&error))
        return TaskOutcome::Failure("cannot save: " + error);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

// The first chosen page alone, watermarked, as PDF bytes. While the user has not typed a text
// or chosen a picture yet, the preview shows the page as it is.
bool PreviewDocument(const Json::Value& record, const WatermarkOptions& options, std::string* pdf,
                     std::string* error) {
    const auto source =
        OpenSourcePdf(TextField(record, "source_path"), TextField(record, "password"), error);
    if (source == nullptr)
        return false;
    std::vector<int> pages;
    if (!ChosenPages(record, source->PageCount(), &pages, error))
        return false;
    const auto alone = CopyPageAlone(*source, pages.front(), error);
    if (alone == nullptr)
        return false;
    if (!MissingWatermarkContent(options).empty())
        return WriteToMemory(*alone, pdf, error);
    const auto artwork = WatermarkArtwork::Prepare(options, error);
    if (artwork == nullptr)
        return false;
    WatermarkStamper stamper(*alone, *artwork, options.background);
    return stamper.Stamp(alone->getAllPages().front(), error) && WriteToMemory(*alone, pdf, error);
}

TaskOutcome PreviewWatermark(const Json::Value& record, TaskContext& context) {
    const WatermarkOptions options = ReadOptions(record);
    const std::filesystem::path target(TextField(record, "target_path"));
    std::string error;
    if (!CheckTarget(target, &error))
        return TaskOutcome::Failure(error);
    int width = IntField(record, "preview_width", kDefaultPreviewWidth);
    if (width < 1 || width > kLargestPreviewWidth)
        width = kDefaultPreviewWidth;
    std::string pdf;
    if (!PreviewDocument(record, options, &pdf, &error))
        return TaskOutcome::Failure(error);
    if (context.IsCancelled())
        return TaskOutcome::Failure(kCancelled);
    PendingOutput output(target);
    if (!DrawFirstPageAsPng(pdf, width, output.WorkPath(), &error))
        return TaskOutcome::Failure(error);
    if (!output.Commit(&error))
        return TaskOutcome::Failure("cannot save: " + error);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

}  // namespace

void RegisterWatermarkCommands(CommandDispatcher& dispatcher) {
    dispatcher.Register("pdf_add_watermark", AddWatermark);
    dispatcher.Register("pdf_watermark_preview", PreviewWatermark);
}

}  // namespace convcore
