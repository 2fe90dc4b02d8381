#include "convcore/PdfToOfficeCommands.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convcore/OfficeHelperClient.h"
#include "convcore/OfficeSettings.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "convcore/ScratchFolder.h"
#include "reconstruct/ExcelWriter.h"
#include "reconstruct/PageExtract.h"
#include "reconstruct/PageLayout.h"
#include "reconstruct/RunningTextDetector.h"
#include "reconstruct/SlidesWriter.h"
#include "reconstruct/TableFinder.h"
#include "reconstruct/WordWriter.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;

// Headers and footers are told from body text by repetition; this many pages
// spread over the document show it without reading every page twice.
constexpr std::size_t kRunningTextSamples = 24;
// A scanned page goes into the document as its picture, at a resolution that
// keeps it legible.
constexpr int kPagePictureDpi = 200;
// The share of the progress the rebuilding takes when LibreOffice saves the
// older format after.
constexpr int kRebuildShareOfOlderFormat = 90;

enum class Kind { kWord, kExcel, kSlides };

struct Target {
    Kind kind = Kind::kWord;
    const char* older_format = nullptr;  // "doc" or "xls" when LibreOffice saves the result
};

// The three writers have the same shape; this is all the page loop needs of
// them.
class DocumentSink {
public:
    virtual ~DocumentSink() = default;
    virtual bool AddPage(const reconstruct::Page& page, std::string* error) = 0;
    virtual bool Finish(std::string* error) = 0;
};

template <typename Writer>
class WriterSink : public DocumentSink {
public:
    explicit WriterSink(std::unique_ptr<Writer> writer) : writer_(std::move(writer)) {}
    bool AddPage(const reconstruct::Page& page, std::string* error) override {
        return writer_->AddPage(page, error);
    }
    bool Finish(std::string* error) override { return writer_->Finish(error); }

private:
    std::unique_ptr<Writer> writer_;
};

template <typename Writer>
std::unique_ptr<DocumentSink> Sink(std::unique_ptr<Writer> writer) {
    if (writer == nullptr)
        return nullptr;
    return std::make_unique<WriterSink<Writer>>(std::move(writer));
}

std::unique_ptr<DocumentSink> OpenSink(Kind kind, const fs::path& file, const fs::path& scratch,
                                       const reconstruct::RunningText& running,
                                       std::string* error) {
    switch (kind) {
        case Kind::kWord:
            return Sink(reconstruct::WordWriter::Create(file, scratch, running, error));
        case Kind::kExcel:
            return Sink(reconstruct::ExcelWriter::Create(file, error));
        case Kind::kSlides:
            return Sink(reconstruct::SlidesWriter::Create(file, scratch, error));
    }
    return nullptr;
}

// Everything one conversion shares between its steps.
class Reconstruction {
public:
    Reconstruction(const RenderDocument& document, std::vector<int> pages, TaskContext& task,
                   int progress_share)
        : document_(document),
          pages_(std::move(pages)),
          task_(task),
          progress_share_(progress_share) {}

    reconstruct::ExtractOptions Options() const {
        reconstruct::ExtractOptions options;
        options.cancelled = [this] { return task_.IsCancelled(); };
        return options;
    }

    bool Extract(int index, reconstruct::RawPage* raw, std::string* error) const {
        PageHandle page(document_.Context());
        return document_.LoadPage(index, &page, error) &&
               reconstruct::ExtractPage(document_.Context(), page.Get(), index, Options(), raw,
                                        error);
    }

    // Pages spread evenly over the chosen ones; a page that cannot be read is
    // simply no sample.
    void SampleRunningText(reconstruct::RunningTextDetector* detector) const {
        const std::size_t count = std::min(pages_.size(), kRunningTextSamples);
        for (std::size_t i = 0; i < count && !task_.IsCancelled(); ++i) {
            reconstruct::RawPage raw;
            std::string ignored;
            if (Extract(pages_[i * pages_.size() / count], &raw, &ignored))
                detector->AddSample(raw);
        }
    }

    bool Rebuild(int index, const reconstruct::RunningTextDetector& running,
                 reconstruct::Page* page, std::string* error) const {
        reconstruct::RawPage raw;
        if (!Extract(index, &raw, error))
            return false;
        if (!raw.image_only) {
            std::vector<reconstruct::Table> tables = reconstruct::FindTables(raw);
            *page = reconstruct::LayOutPage(raw, std::move(tables), running);
            return true;
        }
        return PagePicture(raw, page, error);
    }

    bool WritePages(const reconstruct::RunningTextDetector& running, DocumentSink* sink,
                    std::string* error) const {
        for (std::size_t done = 0; done < pages_.size(); ++done) {
            if (task_.IsCancelled()) {
                *error = "cancelled";
                return false;
            }
            reconstruct::Page page;
            if (!Rebuild(pages_[done], running, &page, error) || !sink->AddPage(page, error))
                return false;
            task_.SetProgress(static_cast<int>((done + 1) * progress_share_ / pages_.size()));
        }
        return true;
    }

private:
    // A scan has no text to rebuild: its picture fills the page.
    bool PagePicture(const reconstruct::RawPage& raw, reconstruct::Page* page,
                     std::string* error) const {
        PageHandle loaded(document_.Context());
        reconstruct::RawImage picture;
        if (!document_.LoadPage(raw.index, &loaded, error) ||
            !reconstruct::RenderPagePicture(document_.Context(), loaded.Get(), kPagePictureDpi,
                                            &picture, error))
            return false;
        page->index = raw.index;
        page->width = raw.width;
        page->height = raw.height;
        page->margins = {0, 0, 0, 0};
        page->page_image = reconstruct::Image{{0, 0, raw.width, raw.height},
                                              std::move(picture.mime),
                                              std::move(picture.bytes),
                                              picture.pixel_width,
                                              picture.pixel_height};
        return true;
    }

    const RenderDocument& document_;
    const std::vector<int> pages_;
    TaskContext& task_;
    const int progress_share_;
};

using SettingsSource = std::function<std::optional<OfficeSettings>(std::string* error)>;

// LibreOffice saves the rebuilt document again in the older format, onto the work file.
bool SaveOlderFormat(const fs::path& rebuilt, const fs::path& target, const char* format,
                     const SettingsSource& settings_source, TaskContext& task, std::string* error) {
    const std::optional<OfficeSettings> settings = settings_source(error);
    if (!settings)
        return false;
    OfficeJob job{rebuilt, target, ""};
    job.format = format;
    const OfficeJobResult result =
        RunOfficeJob(job, *settings, [&task] { return !task.IsCancelled(); });
    if (result.end == OfficeJobResult::End::kDone)
        return true;
    *error = result.end == OfficeJobResult::End::kCancelled ? "cancelled" : result.error;
    return false;
}

TaskOutcome Convert(const Target& target_kind, const SettingsSource& settings,
                    const Json::Value& record, TaskContext& context) {
    std::string error;
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    const fs::path target = TextField(record, "target_path");
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    std::optional<ScratchFolder> scratch =
        ScratchFolder::Create(fs::temp_directory_path(), "quire-rebuild-");
    if (!scratch)
        return TaskOutcome::Failure("cannot make a temporary folder in " +
                                    fs::temp_directory_path().string());
    PendingOutput pending(target);
    const bool older = target_kind.older_format != nullptr;
    const fs::path rebuilt =
        older
            ? scratch->Path() / (target_kind.kind == Kind::kWord ? "rebuilt.docx" : "rebuilt.xlsx")
            : pending.WorkPath();
    const Reconstruction reconstruction(*document, std::move(pages), context,
                                        older ? kRebuildShareOfOlderFormat : 100);
    reconstruct::RunningTextDetector running;
    reconstruction.SampleRunningText(&running);
    const auto sink =
        OpenSink(target_kind.kind, rebuilt, scratch->Path(), running.Result(), &error);
    if (sink == nullptr || !reconstruction.WritePages(running, sink.get(), &error) ||
        !sink->Finish(&error))
        return TaskOutcome::Failure(context.IsCancelled() ? "cancelled" : error);
    if (older && !SaveOlderFormat(rebuilt, pending.WorkPath(), target_kind.older_format, settings,
                                  context, &error))
        return TaskOutcome::Failure(error);
    const TaskOutcome outcome = CommitTaskOutput(pending, context);
    if (outcome.ok)
        folder.Keep();
    return outcome;
}

void RegisterWith(CommandDispatcher& dispatcher, const SettingsSource& settings) {
    const struct {
        const char* command;
        Target target;
    } commands[] = {
        {"pdf_to_docx", {Kind::kWord, nullptr}},   {"pdf_to_doc", {Kind::kWord, "doc"}},
        {"pdf_to_xlsx", {Kind::kExcel, nullptr}},  {"pdf_to_xls", {Kind::kExcel, "xls"}},
        {"pdf_to_pptx", {Kind::kSlides, nullptr}},
    };
    for (const auto& entry : commands) {
        const Target target = entry.target;
        dispatcher.Register(entry.command,
                            [target, settings](const Json::Value& record, TaskContext& context) {
                                return Convert(target, settings, record, context);
                            });
    }
}

}  // namespace

void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher) {
    RegisterWith(dispatcher, DefaultOfficeSettings);
}

void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings) {
    RegisterWith(dispatcher, [settings](std::string*) { return std::optional(settings); });
}

}  // namespace convcore
