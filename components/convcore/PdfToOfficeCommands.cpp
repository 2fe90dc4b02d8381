#include "convcore/PdfToOfficeCommands.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "convcore/OfficeHelperClient.h"
#include "convcore/OfficeSettings.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "convcore/ScratchFolder.h"
#include "reconstruct/ExcelWriter.h"
#include "reconstruct/OcrEngine.h"
#include "reconstruct/OcrRecognition.h"
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
// Sampled pages are kept for their turn up to this much, so that a short document is read
// once; past it, samples are read for their text alone.
constexpr std::size_t kKeptSampleBytes = 32u << 20;
// A scanned page goes into the document as its picture, at a resolution that
// keeps it legible.
constexpr int kPagePictureDpi = 200;
// The share of the progress the rebuilding takes when LibreOffice saves the
// older format after.
constexpr int kRebuildShareOfOlderFormat = 90;

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

std::unique_ptr<DocumentSink> OpenExcelSink(const fs::path& file, const fs::path& scratch,
                                            const reconstruct::RunningText&, std::string* error) {
    return Sink(reconstruct::ExcelWriter::Create(file, scratch, error));
}

std::unique_ptr<DocumentSink> OpenSlidesSink(const fs::path& file, const fs::path& scratch,
                                             const reconstruct::RunningText&, std::string* error) {
    return Sink(reconstruct::SlidesWriter::Create(file, scratch, error));
}

// What a conversion recognises: with "ocr", the scanned pages; for the recognition commands,
// every page without text that shows a picture.
struct Recognition {
    bool scans = false;
    bool every_picture_page = false;
    std::string languages = reconstruct::kDefaultOcrLanguages;

    bool Wants(const reconstruct::RawPage& raw) const {
        return every_picture_page || (scans && reconstruct::IsScannedPage(raw));
    }
};

Recognition RecognitionOf(const Json::Value& record, bool recognise) {
    Recognition recognition;
    recognition.every_picture_page = recognise;
    recognition.scans = IntField(record, "ocr", 0) != 0;
    const std::string languages = TextField(record, "languages");
    if (!languages.empty())
        recognition.languages = languages;
    return recognition;
}

// The chosen pages of a PDF, rebuilt from what the PDF holds.
class Reconstruction : public RebuiltPages {
public:
    // `reopen` opens the same PDF again, for a second reader.
    Reconstruction(std::unique_ptr<RenderDocument> document,
                   std::function<std::unique_ptr<RenderDocument>()> reopen, std::vector<int> pages,
                   TaskContext& task, Recognition recognition)
        : document_(std::move(document)),
          reopen_(std::move(reopen)),
          pages_(std::move(pages)),
          task_(task),
          recognition_(std::move(recognition)) {}

    std::size_t Count() const override { return pages_.size(); }

    // Pages spread evenly over the chosen ones; a page that cannot be read is
    // simply no sample.
    reconstruct::RunningText Running() override {
        const std::size_t count = std::min(pages_.size(), kRunningTextSamples);
        std::vector<Sample> samples(count);
        ReadSamples(&samples);
        for (std::size_t i = 0; i < count; ++i) {
            if (!samples[i].read)
                continue;
            running_.AddSample(samples[i].raw);
            if (samples[i].kept)
                kept_.emplace(SampledPage(i, count), std::move(samples[i].raw));
        }
        return running_.Result();
    }

    bool Rebuild(std::size_t n, const std::function<void(int)>& page_progress,
                 reconstruct::Page* page, std::string* error) override {
        reconstruct::RawPage raw;
        if (!TakeKept(n, &raw) && !Extract(*document_, pages_[n], Options(), &raw, error))
            return false;
        if (raw.image_only && recognition_.Wants(raw))
            return Recognise(raw.index, page_progress, page, error);
        // Only a scan becomes one picture; a page of pictures or drawings without text keeps
        // them as pictures in the flow, at their own size.
        if (reconstruct::IsScannedPage(raw))
            return PagePicture(raw, page, error);
        std::vector<reconstruct::Table> tables = reconstruct::FindTables(
            raw,
            [&](const reconstruct::RawRule& rule) { return running_.IsRunningRule(raw, rule); });
        *page = reconstruct::LayOutPage(raw, std::move(tables), running_);
        return true;
    }

private:
    struct Sample {
        bool read = false;
        bool kept = false;  // read whole, for its turn; else for its text alone
        reconstruct::RawPage raw;
    };

    std::size_t SampledPage(std::size_t i, std::size_t count) const {
        return i * pages_.size() / count;
    }

    // Reading the pages is most of a short document's conversion, and a document serves one
    // thread at a time: a second thread reads every other sample from the PDF opened again.
    void ReadSamples(std::vector<Sample>* samples) {
        constexpr std::size_t kReaders = 2;
        if (samples->size() < 2 || std::thread::hardware_concurrency() < 2) {
            ReadShare(*document_, 0, 1, samples);
            return;
        }
        std::atomic<bool> helped = false;
        std::thread helper([&] {
            try {
                const std::unique_ptr<RenderDocument> second = reopen_();
                if (second == nullptr)
                    return;
                ReadShare(*second, 1, kReaders, samples);
                helped = true;
            } catch (const std::exception&) {
                // Its share is read below.
            }
        });
        ReadShare(*document_, 0, kReaders, samples);
        helper.join();
        if (!helped)
            ReadShare(*document_, 1, kReaders, samples);
    }

    // Samples `first`, `first + step`, ... Called from two threads at once, on shares that do
    // not overlap.
    void ReadShare(const RenderDocument& document, std::size_t first, std::size_t step,
                   std::vector<Sample>* samples) {
        for (std::size_t i = first; i < samples->size() && !task_.IsCancelled(); i += step) {
            Sample& sample = (*samples)[i];
            sample.kept = kept_bytes_ < kKeptSampleBytes;
            std::string ignored;
            const int page = pages_[SampledPage(i, samples->size())];
            sample.read = Extract(document, page, sample.kept ? Options() : TextOnly(), &sample.raw,
                                  &ignored);
            if (sample.read && sample.kept)
                kept_bytes_ += ApproximateBytes(sample.raw);
        }
    }

    reconstruct::ExtractOptions Options() const {
        reconstruct::ExtractOptions options;
        options.cancelled = [this] { return task_.IsCancelled(); };
        return options;
    }

    // Running headers and footers are found from text alone.
    reconstruct::ExtractOptions TextOnly() const {
        reconstruct::ExtractOptions options = Options();
        options.text_only = true;
        return options;
    }

    bool TakeKept(std::size_t n, reconstruct::RawPage* raw) {
        const auto kept = kept_.find(n);
        if (kept == kept_.end())
            return false;
        *raw = std::move(kept->second);
        kept_.erase(kept);
        return true;
    }

    static std::size_t ApproximateBytes(const reconstruct::RawPage& raw) {
        std::size_t bytes = sizeof raw;
        for (const auto& line : raw.lines)
            bytes += sizeof line + line.chars.size() * sizeof(reconstruct::RawChar);
        for (const auto& image : raw.images)
            bytes += sizeof image + image.bytes.size();
        for (const auto& graphic : raw.graphics)
            bytes += sizeof graphic + graphic.png.size();
        return bytes + raw.rules.size() * sizeof(reconstruct::RawRule) +
               raw.fills.size() * sizeof(reconstruct::RawFill);
    }

    static bool Extract(const RenderDocument& document, int index,
                        const reconstruct::ExtractOptions& options, reconstruct::RawPage* raw,
                        std::string* error) {
        PageHandle page(document.Context());
        return document.LoadPage(index, &page, error) &&
               reconstruct::ExtractPage(document.Context(), page.Get(), index, options, raw, error);
    }

    // A scan has no text to rebuild: its picture fills the page.
    bool PagePicture(const reconstruct::RawPage& raw, reconstruct::Page* page,
                     std::string* error) const {
        PageHandle loaded(document_->Context());
        reconstruct::RawImage picture;
        if (!document_->LoadPage(raw.index, &loaded, error) ||
            !reconstruct::RenderPagePicture(document_->Context(), loaded.Get(), kPagePictureDpi,
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

    // The models load on the first scanned page; most documents have none.
    bool Recognise(int index, const std::function<void(int)>& page_progress,
                   reconstruct::Page* page, std::string* error) {
        if (engine_ == nullptr)
            engine_ = reconstruct::OcrEngine::Create(recognition_.languages, error);
        PageHandle loaded(document_->Context());
        if (engine_ == nullptr || !document_->LoadPage(index, &loaded, error))
            return false;
        reconstruct::OcrOptions options;
        options.cancelled = [this] { return task_.IsCancelled(); };
        options.progress = page_progress;
        reconstruct::RecognisedPage recognised;
        if (!reconstruct::RecognisePdfPage(document_->Context(), loaded.Get(), index, *engine_,
                                           options, &recognised, error))
            return false;
        *page = std::move(recognised.page);
        return true;
    }

    const std::unique_ptr<RenderDocument> document_;
    const std::function<std::unique_ptr<RenderDocument>()> reopen_;
    const std::vector<int> pages_;
    TaskContext& task_;
    const Recognition recognition_;
    reconstruct::RunningTextDetector running_;
    std::map<std::size_t, reconstruct::RawPage> kept_;  // sampled pages waiting for their turn
    std::atomic<std::size_t> kept_bytes_ = 0;           // added to by both readers of the samples
    // Used by one thread at a time: pages are rebuilt one after the other.
    std::unique_ptr<reconstruct::OcrEngine> engine_;
};

// Progress from two threads, passed on only when it grows.
class SharedProgress {
public:
    explicit SharedProgress(TaskContext& task) : task_(task) {}

    void Set(int percent) {
        const std::lock_guard lock(mutex_);
        if (percent <= last_)
            return;
        last_ = percent;
        task_.SetProgress(percent);
    }

private:
    TaskContext& task_;
    std::mutex mutex_;
    int last_ = -1;  // guarded by mutex_
};

struct RebuiltPage {
    bool ok = false;
    reconstruct::Page page;
    std::string error;
};

// Page n + 1 is rebuilt on a thread of its own while page n is written: the two take about as
// long. Rebuilding stays one page at a time, in order, so the document and the recognition
// engine still serve one thread at a time.
bool WritePages(RebuiltPages& pages, DocumentSink* sink, int progress_share, TaskContext& task,
                std::string* error) {
    const std::size_t count = pages.Count();
    SharedProgress progress(task);
    const auto rebuild = [&](std::size_t n) {
        const auto page_progress = [&, n](int percent) {
            progress.Set(static_cast<int>((n * 100 + std::clamp(percent, 0, 100)) * progress_share /
                                          (count * 100)));
        };
        RebuiltPage rebuilt;
        rebuilt.ok = pages.Rebuild(n, page_progress, &rebuilt.page, &rebuilt.error);
        return rebuilt;
    };
    std::future<RebuiltPage> next;
    if (count > 0 && !task.IsCancelled())
        next = std::async(std::launch::async, rebuild, 0);
    for (std::size_t done = 0; done < count; ++done) {
        if (task.IsCancelled()) {
            *error = "cancelled";
            return false;
        }
        RebuiltPage current = next.get();
        if (done + 1 < count && current.ok)
            next = std::async(std::launch::async, rebuild, done + 1);
        if (!current.ok) {
            *error = current.error;
            return false;
        }
        if (!sink->AddPage(current.page, error))
            return false;
        progress.Set(static_cast<int>((done + 1) * progress_share / count));
    }
    return true;
}

// LibreOffice saves the rebuilt document again in the older format, onto the work file.
bool SaveOlderFormat(const fs::path& rebuilt, const fs::path& target, const char* format,
                     const OfficeSettingsSource& settings_source, TaskContext& task,
                     std::string* error) {
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

TaskOutcome Convert(const RebuiltTarget& kind, const OfficeSettingsSource& settings,
                    const Json::Value& record, TaskContext& context) {
    std::string error;
    const auto pages = OpenRebuiltPdf(record, false, context, &error);
    if (pages == nullptr)
        return TaskOutcome::Failure(error);
    return WriteRebuiltDocument(*pages, kind, TextField(record, "target_path"), settings, context);
}

void RegisterWith(CommandDispatcher& dispatcher, const OfficeSettingsSource& settings) {
    const struct {
        const char* command;
        RebuiltTarget target;
    } commands[] = {
        {"pdf_to_docx", {OpenWordSink, ".docx", nullptr}},
        {"pdf_to_doc", {OpenWordSink, ".docx", "doc"}},
        {"pdf_to_xlsx", {OpenExcelSink, ".xlsx", nullptr}},
        {"pdf_to_xls", {OpenExcelSink, ".xlsx", "xls"}},
        {"pdf_to_pptx", {OpenSlidesSink, ".pptx", nullptr}},
    };
    for (const auto& entry : commands) {
        const RebuiltTarget target = entry.target;
        dispatcher.Register(entry.command,
                            [target, settings](const Json::Value& record, TaskContext& context) {
                                return Convert(target, settings, record, context);
                            });
    }
}

}  // namespace

std::unique_ptr<RebuiltPages> OpenRebuiltPdf(const Json::Value& record, bool recognise,
                                             TaskContext& context, std::string* error) {
    std::vector<int> pages;
    auto document = OpenRecordSource(record, &pages, error);
    if (document == nullptr)
        return nullptr;
    auto reopen = [source = TextField(record, "source_path"),
                   password = TextField(record, "password")] {
        std::string ignored;
        return RenderDocument::Open(source, password, &ignored);
    };
    return std::make_unique<Reconstruction>(std::move(document), std::move(reopen),
                                            std::move(pages), context,
                                            RecognitionOf(record, recognise));
}

std::unique_ptr<DocumentSink> OpenWordSink(const fs::path& file, const fs::path& scratch,
                                           const reconstruct::RunningText& running,
                                           std::string* error) {
    return Sink(reconstruct::WordWriter::Create(file, scratch, running, error));
}

TaskOutcome WriteRebuiltDocument(RebuiltPages& pages, const RebuiltTarget& kind,
                                 const fs::path& target, const OfficeSettingsSource& settings,
                                 TaskContext& context) {
    std::string error;
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    std::optional<ScratchFolder> scratch =
        ScratchFolder::Create(fs::temp_directory_path(), "quire-rebuild-");
    if (!scratch)
        return TaskOutcome::Failure("cannot make a temporary folder in " +
                                    fs::temp_directory_path().string());
    PendingOutput pending(target);
    const bool older = kind.older_format != nullptr;
    const fs::path rebuilt =
        older ? scratch->Path() / (std::string("rebuilt") + kind.extension) : pending.WorkPath();
    const reconstruct::RunningText running = pages.Running();
    const auto sink = kind.open(rebuilt, scratch->Path(), running, &error);
    if (sink == nullptr ||
        !WritePages(pages, sink.get(), older ? kRebuildShareOfOlderFormat : 100, context, &error) ||
        !sink->Finish(&error))
        return TaskOutcome::Failure(context.IsCancelled() ? "cancelled" : error);
    if (older &&
        !SaveOlderFormat(rebuilt, pending.WorkPath(), kind.older_format, settings, context, &error))
        return TaskOutcome::Failure(error);
    const TaskOutcome outcome = CommitTaskOutput(pending, context);
    if (outcome.ok)
        folder.Keep();
    return outcome;
}

void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher) {
    RegisterWith(dispatcher, DefaultOfficeSettings);
}

void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings) {
    RegisterWith(dispatcher, [settings](std::string*) { return std::optional(settings); });
}

}  // namespace convcore
