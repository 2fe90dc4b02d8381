#include "convcore/CadCommands.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "convcore/CadDxfReader.h"
#include "convcore/CadDxfWriter.h"
#include "convcore/CadPdfRender.h"
#include "convcore/CadPdfVectors.h"
#include "convcore/CadTextPainter.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "convcore/ScratchFolder.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;

constexpr int kParsedProgress = 30;
constexpr int kPagesProgress = 95;
// Pages of a converted document stand one below the other, this share of a page apart.
constexpr double kPageGap = 0.1;
// Points a conversion hands to the DXF at most: far beyond any real drawing, well below what
// would exhaust memory or disk.
constexpr std::size_t kMaxDxfPoints = 50'000'000;

double NumberField(const Json::Value& record, const char* key, double fallback) {
    const Json::Value* member =
        record.isObject() ? record.find(key, key + std::char_traits<char>::length(key)) : nullptr;
    return member != nullptr && member->isNumeric() ? member->asDouble() : fallback;
}

CadPageStyle PageStyle(const Json::Value& record) {
    CadPageStyle style;
    style.black_background =
        platform::EqualsIgnoreAsciiCase(TextField(record, "background"), "black");
    style.paper_width = NumberField(record, "paper_width", style.paper_width);
    style.paper_height = NumberField(record, "paper_height", style.paper_height);
    return style;
}

std::optional<TaskOutcome> CheckPaths(const fs::path& source, const fs::path& target) {
    if (source.empty())
        return TaskOutcome::Failure("file not found: " + source.string());
    if (target.empty())
        return TaskOutcome::Failure("no target path");
    return std::nullopt;
}

TaskOutcome ConvertDxfToPdf(const Json::Value& record, TaskContext& context) {
    const fs::path source = TextField(record, "source_path");
    const fs::path target = TextField(record, "target_path");
    if (auto failure = CheckPaths(source, target))
        return *failure;
    DxfReadControl control;
    control.cancelled = [&context] { return context.IsCancelled(); };
    control.progress = [&context](double share) {
        context.SetProgress(static_cast<int>(share * kParsedProgress));
    };
    CadDrawing drawing;
    const DxfReadResult read = ReadDxfFile(source, control, &drawing);
    if (read.status != DxfReadStatus::kRead)
        return TaskOutcome::Failure(read.error);
    context.SetProgress(kParsedProgress);

    std::string error;
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    PendingOutput output(target);
    const CadRenderResult drawn =
        RenderDrawingPdf(drawing, PageStyle(record), output.WorkPath(), source.stem().string(),
                         context, kParsedProgress);
    if (drawn.status != CadRenderStatus::kWritten)
        return TaskOutcome::Failure(drawn.detail);
    context.Report("skipped_entities", static_cast<Json::UInt64>(read.skipped));
    const TaskOutcome outcome = CommitTaskOutput(output, context);
    if (outcome.ok)
        folder.Keep();
    return outcome;
}

// Places one page's content in the drawing: x from the page's left edge, y upwards from
// `bottom`, on the page's own layer.
class PageToDxf : public PageVectorSink {
public:
    PageToDxf(DxfWriter& writer, std::string layer, const fz_rect& bounds, double bottom)
        : writer_(writer), layer_(std::move(layer)), bounds_(bounds), bottom_(bottom) {}

    // Every piece becomes a polyline; a fill is also a solid hatch of its closed pieces.
    void Path(const PageVectorPath& path) override {
        loops_.clear();
        for (const PageVectorPiece& piece : path.pieces) {
            std::vector<CadPoint> points;
            points.reserve(piece.points.size());
            for (const CadPoint& point : piece.points)
                points.push_back(Place(point));
            writer_.Polyline(layer_, points, piece.closed || path.filled, path.rgb, path.width);
            if (path.filled && points.size() >= 3)
                loops_.push_back(std::move(points));
        }
        if (!loops_.empty())
            writer_.Hatch(layer_, loops_, path.rgb);
    }

    void Text(const PageVectorText& text) override {
        writer_.Text(layer_, Place(text.origin), text.size / kEmPerTextHeight, text.rotation,
                     text.text, text.rgb);
    }

private:
    CadPoint Place(CadPoint point) const {
        return {point.x - bounds_.x0, bottom_ + (bounds_.y1 - point.y)};
    }

    DxfWriter& writer_;
    const std::string layer_;
    const fz_rect bounds_;
    const double bottom_;
    std::vector<std::vector<CadPoint>> loops_;  // of the fill being written
};

// Walks the chosen pages into `writer`; the failure that ends the task otherwise.
std::optional<TaskOutcome> WritePages(const RenderDocument& document, const std::vector<int>& pages,
                                      DxfWriter& writer, TaskContext& context) {
    fz_context* mupdf = document.Context();
    std::size_t budget = kMaxDxfPoints;
    // The first page keeps its PDF coordinates; the next ones go below it.
    std::optional<double> top;  // where the next page's top edge goes
    for (std::size_t done = 0; done < pages.size(); ++done) {
        if (context.IsCancelled())
            return TaskOutcome::Failure("cancelled");
        std::string error;
        PageHandle page(mupdf);
        if (!document.LoadPage(pages[done], &page, &error))
            return TaskOutcome::Failure(error);
        fz_rect bounds{};
        if (!CatchMupdf(
                mupdf, [&] { bounds = fz_bound_page(mupdf, page.Get()); }, &error))
            return TaskOutcome::Failure(error);
        const double height = bounds.y1 - bounds.y0;
        const std::string layer = platform::Format("PAGE_%d", pages[done] + 1);
        writer.AddLayer(layer);
        if (!top)
            top = height;
        PageToDxf sink(writer, layer, bounds, *top - height);
        CancelCookie cookie(context);
        switch (WalkPageVectors(mupdf, page.Get(), cookie.Get(), sink, &budget, &error)) {
            case PageVectorStatus::kDone:
                break;
            case PageVectorStatus::kCancelled:
                return TaskOutcome::Failure("cancelled");
            case PageVectorStatus::kTooLarge:
                return TaskOutcome::Failure(platform::Format(
                    "the document has more than %d million points of vector content",
                    static_cast<int>(kMaxDxfPoints / 1'000'000)));
            case PageVectorStatus::kFailed:
                return TaskOutcome::Failure(
                    platform::Format("cannot read page %d: %s", pages[done] + 1, error));
        }
        *top -= height * (1 + kPageGap);
        context.SetProgress(static_cast<int>((done + 1) * kPagesProgress / pages.size()));
    }
    return std::nullopt;
}

TaskOutcome ConvertPdfToDxf(const Json::Value& record, TaskContext& context) {
    const fs::path target = TextField(record, "target_path");
    if (target.empty())
        return TaskOutcome::Failure("no target path");
    std::string error;
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    // The entities wait in a file of their own beside the target until the header, which
    // names their extents, has been written.
    const std::optional<ScratchFolder> scratch =
        ScratchFolder::Create(target.parent_path(), ".dxf-entities");
    if (!scratch)
        return TaskOutcome::Failure("cannot write in the folder of " + target.string());
    const auto writer = DxfWriter::Create(scratch->Path() / "entities.dxf", &error);
    if (writer == nullptr)
        return TaskOutcome::Failure(error);
    if (auto failure = WritePages(*document, pages, *writer, context))
        return *failure;
    if (writer->EntityCount() == 0)
        return TaskOutcome::Failure("no vector content to convert");
    PendingOutput output(target);
    if (!writer->Finish(output.WorkPath(), &error))
        return TaskOutcome::Failure(error);
    context.Report("entity_count", static_cast<Json::UInt64>(writer->EntityCount()));
    const TaskOutcome outcome = CommitTaskOutput(output, context);
    if (outcome.ok)
        folder.Keep();
    return outcome;
}

}  // namespace

void RegisterCadCommands(CommandDispatcher& dispatcher) {
    dispatcher.Register("dxf_to_pdf", ConvertDxfToPdf);
    dispatcher.Register("pdf_to_dxf", ConvertPdfToDxf);
}

}  // namespace convcore
