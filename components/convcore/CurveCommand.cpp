#include "convcore/CurveCommand.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "convcore/CurveGhostscript.h"
#include "convcore/PageToolPdf.h"
#include "convcore/PageToolWriter.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/ScratchFolder.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "quire-mupdf/PdfFacts.h"

namespace convcore {
namespace {

constexpr int kOpenedProgress = 2;
constexpr ProgressSpan kPlainCopySpan{2, 10};
constexpr int kGhostscriptFrom = 10;
constexpr int kGhostscriptTo = 95;

bool IsWholeDocumentInOrder(const std::vector<int>& pages, int page_count) {
    if (static_cast<int>(pages.size()) != page_count)
        return false;
    for (int index = 0; index < page_count; ++index) {
        if (pages[static_cast<std::size_t>(index)] != index)
            return false;
    }
    return true;
}

// gs opens an encrypted document only with the password on its command line, where every
// local user can read it, and takes pages in ascending order only. Such documents reach it as
// a plain copy of the chosen pages in the order asked for.
bool NeedsPlainCopy(const SourcePdf& source, const std::vector<int>& pages) {
    return source.pdf->isEncrypted() || !IsWholeDocumentInOrder(pages, source.PageCount());
}

bool WritePlainCopy(SourcePdf& source, const std::vector<int>& pages,
                    const std::filesystem::path& copy, TaskContext& context, std::string* error) {
    KeepPagesInPlace(source, pages);
    const WriteResult written =
        WritePdf(*source.pdf, copy, WriteSettings{}, context, kPlainCopySpan);
    switch (written.status) {
        case WriteStatus::kWritten:
            return true;
        case WriteStatus::kCancelled:
            *error = "cancelled";
            break;
        case WriteStatus::kCannotSave:
            *error = "cannot write " + written.detail;
            break;
        case WriteStatus::kSourceUnreadable:
            *error = "cannot read the PDF: " + written.detail;
            break;
    }
    return false;
}

TaskOutcome ConvertPdfToCurves(const Json::Value& record, TaskContext& context) {
    const std::filesystem::path target = TextField(record, "target_path");
    if (target.empty())
        return TaskOutcome::Failure("no target path");
    const std::filesystem::path ghostscript = platform::FindInPath("gs");
    if (ghostscript.empty())
        return TaskOutcome::Failure("Ghostscript (gs) is not installed: it turns text into curves");
    std::string error;
    const auto source =
        OpenSourcePdf(TextField(record, "source_path"), TextField(record, "password"), &error);
    if (source == nullptr)
        return TaskOutcome::Failure(error);
    std::vector<int> pages;
    if (!ChoosePages(record, source->PageCount(), &pages, &error))
        return TaskOutcome::Failure(error);
    context.SetProgress(kOpenedProgress);

    // gs's temporary files and the plain copy can be as large as the document, more than a
    // memory-backed runtime folder may hold; beside the target they are on the output's disk.
    const auto scratch = ScratchFolder::Create(target.parent_path(), ".curves");
    if (!scratch) {
        const int failure = errno;
        return TaskOutcome::Failure(platform::Format("cannot write in the folder of %s: %s",
                                                     target.string(), std::strerror(failure)));
    }
    std::filesystem::path input = source->path;
    if (NeedsPlainCopy(*source, pages)) {
        input = scratch->Path() / "source.pdf";
        if (!WritePlainCopy(*source, pages, input, context, &error))
            return TaskOutcome::Failure(error);
    }

    PendingOutput output(target);
    const int page_count = static_cast<int>(pages.size());
    const GhostscriptJob job{ghostscript,      input,         output.WorkPath(),
                             scratch->Path(),  page_count,    GhostscriptTimeLimit(page_count),
                             kGhostscriptFrom, kGhostscriptTo};
    switch (RunGhostscriptOutlines(job, context, &error)) {
        case GhostscriptStatus::kDone:
            break;
        case GhostscriptStatus::kCancelled:
            return TaskOutcome::Failure("cancelled");
        case GhostscriptStatus::kFailed:
            return TaskOutcome::Failure(error);
    }
    // gs ends with success even when it could not read a single page.
    const int written = quiremupdf::CountPdfPages(output.WorkPath());
    if (written != page_count) {
        return TaskOutcome::Failure(platform::Format(
            "Ghostscript wrote no usable PDF (%d of %d pages)", written, page_count));
    }
    return CommitTaskOutput(output, context);
}

}  // namespace

void RegisterCurveCommand(CommandDispatcher& dispatcher) {
    dispatcher.Register("pdf_to_curve", ConvertPdfToCurves);
}

}  // namespace convcore
