// libquire-ocr.so: text recognition with Tesseract's LSTM models and its page layout analysis.
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/publictypes.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "reconstruct/OcrBackend.h"

namespace reconstruct {
namespace {

using tesseract::PageIteratorLevel;
using tesseract::ResultIterator;

std::vector<std::string> SplitLanguages(const std::string& languages) {
    std::vector<std::string> names(1);
    for (char c : languages) {
        if (c == '+')
            names.emplace_back();
        else
            names.back() += c;
    }
    return names;
}

// Tesseract goes on without a language it cannot load; a request for it is an error here.
bool AllLoaded(const tesseract::TessBaseAPI& api, const std::string& languages,
               std::string* error) {
    std::vector<std::string> loaded;
    api.GetLoadedLanguagesAsVector(&loaded);
    for (const std::string& name : SplitLanguages(languages)) {
        if (std::find(loaded.begin(), loaded.end(), name) == loaded.end()) {
            *error = "no recognition model installed for language \"" + name + "\"";
            return false;
        }
    }
    return true;
}

// One page's recognition as its monitor sees it. Lives on the recognising thread; Tesseract
// calls back on that thread, between words.
struct PageWatch {
    const OcrOptions* options = nullptr;
    const tesseract::ETEXT_DESC* monitor = nullptr;
    int reported = -1;
    bool cancelled = false;
};

bool PollCancel(void* data, int /*words*/) {
    auto* watch = static_cast<PageWatch*>(data);
    const int progress = watch->monitor->progress;
    if (watch->options->progress && progress > watch->reported) {
        watch->reported = progress;
        watch->options->progress(progress);
    }
    if (watch->options->cancelled && watch->options->cancelled())
        watch->cancelled = true;
    return watch->cancelled;
}

Rect BoxAt(const ResultIterator& it, PageIteratorLevel level) {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom))
        return {};
    return {double(left), double(top), double(right), double(bottom)};
}

std::string TextAt(const ResultIterator& it, PageIteratorLevel level) {
    const std::unique_ptr<char[]> text(it.GetUTF8Text(level));
    return text != nullptr ? text.get() : "";
}

std::vector<Rect> Figures(tesseract::TessBaseAPI& api) {
    std::vector<Rect> figures;
    const std::unique_ptr<ResultIterator> it(api.GetIterator());
    if (it == nullptr)
        return figures;
    do {
        if (tesseract::PTIsImageType(it->BlockType()))
            figures.push_back(BoxAt(*it, tesseract::RIL_BLOCK));
    } while (it->Next(tesseract::RIL_BLOCK));
    return figures;
}

void StartLine(const ResultIterator& it, OcrReading* reading) {
    OcrRowMetrics row;
    it.RowAttributes(&row.height, &row.descenders, &row.ascenders);
    const Rect box = BoxAt(it, tesseract::RIL_TEXTLINE);
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    const double baseline =
        it.Baseline(tesseract::RIL_TEXTLINE, &x0, &y0, &x1, &y1) ? (y0 + y1) / 2.0 : box.y1;
    reading->lines.push_back({box, baseline, 0, {}});
    reading->rows.push_back(row);
}

void StartWord(const ResultIterator& it, OcrLine* line) {
    line->words.push_back({BoxAt(it, tesseract::RIL_WORD),
                           TextAt(it, tesseract::RIL_WORD),
                           it.Confidence(tesseract::RIL_WORD),
                           {}});
}

// Walks the text character by character, opening lines and words where they begin.
void ReadLines(tesseract::TessBaseAPI& api, OcrReading* reading) {
    const std::unique_ptr<ResultIterator> it(api.GetIterator());
    if (it == nullptr)
        return;
    do {
        if (!tesseract::PTIsTextType(it->BlockType()) || it->Empty(tesseract::RIL_SYMBOL))
            continue;
        if (reading->lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            StartLine(*it, reading);
        OcrLine& line = reading->lines.back();
        if (line.words.empty() || it->IsAtBeginningOf(tesseract::RIL_WORD))
            StartWord(*it, &line);
        std::string glyph = TextAt(*it, tesseract::RIL_SYMBOL);
        if (!glyph.empty())
            line.words.back().glyphs.push_back(
                {std::move(glyph), BoxAt(*it, tesseract::RIL_SYMBOL)});
    } while (it->Next(tesseract::RIL_SYMBOL));
}

// Tesseract's LSTM asks OpenMP for several threads per layer, and their spin-waiting costs far
// more than they save on a machine with other work: a dense A4 page took 5 s on one thread and
// 20 to 27 s with the default team on two busy cores. No parallel region opened from the calling
// thread gets a team (the setting belongs to that thread); pages are recognised in parallel, if
// at all, by running several engines. Nothing to do when this Tesseract was built without OpenMP.
void RecogniseOnThisThreadOnly() {
    using SetMaxActiveLevels = void (*)(int);
    static const auto set_levels =
        reinterpret_cast<SetMaxActiveLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (set_levels != nullptr)
        set_levels(0);
}

class TesseractBackend : public OcrBackend {
public:
    explicit TesseractBackend(std::unique_ptr<tesseract::TessBaseAPI> api) : api_(std::move(api)) {}

    OcrStatus Read(const OcrPicture& picture, const OcrOptions& options, OcrReading* out) override {
        RecogniseOnThisThreadOnly();
        api_->SetImage(picture.Get());
        api_->SetSourceResolution(picture.Dpi());
        tesseract::ETEXT_DESC monitor;
        PageWatch watch{&options, &monitor};
        monitor.cancel = PollCancel;
        monitor.cancel_this = &watch;
        monitor.set_deadline_msecs(
            static_cast<int32_t>(std::clamp<long long>(options.time_limit.count(), 1, INT32_MAX)));
        const int result = api_->Recognize(&monitor);
        OcrStatus status = OcrStatus::kDone;
        if (watch.cancelled)
            status = OcrStatus::kCancelled;
        else if (result != 0)
            status = monitor.deadline_exceeded() ? OcrStatus::kTimedOut : OcrStatus::kFailed;
        if (status == OcrStatus::kDone) {
            out->figures = Figures(*api_);
            ReadLines(*api_, out);
        }
        api_->Clear();
        return status;
    }

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;  // used only by the thread calling Read
};

}  // namespace
}  // namespace reconstruct

extern "C" __attribute__((visibility("default"))) reconstruct::OcrBackend* quire_create_ocr_backend(
    const std::string& languages, std::string* error) {
    using reconstruct::OcrBackend;
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        *error = "cannot load the recognition models for \"" + languages + "\"";
        return nullptr;
    }
    if (!reconstruct::AllLoaded(*api, languages, error))
        return nullptr;
    // The whole page with its columns and pictures; the default treats it as one block.
    api->SetPageSegMode(tesseract::PSM_AUTO);
    // Tesseract's progress notes would otherwise fill the core's error stream.
    api->SetVariable("debug_file", "/dev/null");
    return new reconstruct::TesseractBackend(std::move(api));
}

static_assert(std::is_same_v<decltype(&quire_create_ocr_backend), reconstruct::OcrBackendFactory>);
