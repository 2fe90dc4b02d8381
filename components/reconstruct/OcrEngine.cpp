#include "reconstruct/OcrEngine.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/publictypes.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "reconstruct/OcrText.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

using tesseract::PageIteratorLevel;
using tesseract::ResultIterator;

constexpr std::size_t kMostLanguagesLength = 100;
// An ideograph's ink is about this much of the em (0.93 in the Noto CJK faces, serif and sans).
constexpr double kIdeographToEm = 0.93;
// Latin x-heights are about this much of the em in common faces.
constexpr double kXHeightToEm = 0.55;

bool IsLanguageName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

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

bool CheckLanguages(const std::string& languages, std::string* error) {
    const std::vector<std::string> names = SplitLanguages(languages);
    const bool well_formed =
        languages.size() <= kMostLanguagesLength &&
        std::all_of(names.begin(), names.end(), [](const std::string& name) {
            return !name.empty() && std::all_of(name.begin(), name.end(), IsLanguageName);
        });
    if (!well_formed && languages.size() <= kMostLanguagesLength)
        *error = "not a list of recognition languages: \"" + languages + "\"";
    else if (!well_formed)
        *error = "not a list of recognition languages";
    return well_formed;
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

// The recogniser's measures of a text row, in pixels: x-height plus ascenders (above it) less
// descenders (negative, below the baseline).
struct RowMetrics {
    float height = 0;
    float descenders = 0;
    float ascenders = 0;
};

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Chinese text: from the ideographs' own height, which punctuation and a stray mark on the line
// do not change. Latin text: the mean of two estimates of the em, the row height (top of the
// ascenders to the bottom of the descenders) and the x-height scaled up. The row height varies
// more between faces (0.89 of the em in Noto Sans, 1.07 in Noto Serif CJK's Latin), the x-height
// less (1.01 and 1.03); their mean stays within about 5 %.
double FontPixels(const OcrLine& line, const RowMetrics& row) {
    std::vector<double> ideographs;
    std::size_t other = 0;
    for (const OcrWord& word : line.words) {
        for (const OcrGlyph& glyph : word.glyphs) {
            const std::u32string codes = DecodeUtf8(glyph.text);
            if (codes.size() == 1 && IsCjk(codes.front()) && codes.front() >= 0x3400)
                ideographs.push_back(glyph.box.Height());
            else
                ++other;
        }
    }
    if (!ideographs.empty() && ideographs.size() >= other)
        return Median(std::move(ideographs)) / kIdeographToEm;
    const double x_height = row.height - row.ascenders + row.descenders;
    if (row.height <= 0 || x_height <= 0)
        return line.box.Height();
    return (row.height + x_height / kXHeightToEm) / 2;
}

void StartLine(const ResultIterator& it, std::vector<OcrLine>* lines,
               std::vector<RowMetrics>* rows) {
    RowMetrics row;
    it.RowAttributes(&row.height, &row.descenders, &row.ascenders);
    const Rect box = BoxAt(it, tesseract::RIL_TEXTLINE);
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    const double baseline =
        it.Baseline(tesseract::RIL_TEXTLINE, &x0, &y0, &x1, &y1) ? (y0 + y1) / 2.0 : box.y1;
    lines->push_back({box, baseline, 0, {}});
    rows->push_back(row);
}

void StartWord(const ResultIterator& it, OcrLine* line) {
    line->words.push_back({BoxAt(it, tesseract::RIL_WORD),
                           TextAt(it, tesseract::RIL_WORD),
                           it.Confidence(tesseract::RIL_WORD),
                           {}});
}

// Walks the text character by character, opening lines and words where they begin.
std::vector<OcrLine> Lines(tesseract::TessBaseAPI& api) {
    std::vector<OcrLine> lines;
    std::vector<RowMetrics> rows;
    const std::unique_ptr<ResultIterator> it(api.GetIterator());
    if (it == nullptr)
        return lines;
    do {
        if (!tesseract::PTIsTextType(it->BlockType()) || it->Empty(tesseract::RIL_SYMBOL))
            continue;
        if (lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            StartLine(*it, &lines, &rows);
        if (lines.back().words.empty() || it->IsAtBeginningOf(tesseract::RIL_WORD))
            StartWord(*it, &lines.back());
        std::string glyph = TextAt(*it, tesseract::RIL_SYMBOL);
        if (!glyph.empty())
            lines.back().words.back().glyphs.push_back(
                {std::move(glyph), BoxAt(*it, tesseract::RIL_SYMBOL)});
    } while (it->Next(tesseract::RIL_SYMBOL));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::erase_if(lines[i].words,
                      [](const OcrWord& w) { return w.text.empty() || w.glyphs.empty(); });
        lines[i].font_pixels = FontPixels(lines[i], rows[i]);
    }
    return lines;
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

const char* Reason(OcrStatus status) {
    switch (status) {
        case OcrStatus::kCancelled:
            return "cancelled";
        case OcrStatus::kTimedOut:
            return "text recognition of the page ran out of time";
        case OcrStatus::kFailed:
            return "text recognition of the page failed";
        case OcrStatus::kDone:
            break;
    }
    return "";
}

}  // namespace

OcrEngine::OcrEngine(std::unique_ptr<tesseract::TessBaseAPI> api) : api_(std::move(api)) {}

OcrEngine::~OcrEngine() = default;

std::unique_ptr<OcrEngine> OcrEngine::Create(const std::string& languages, std::string* error) {
    if (!CheckLanguages(languages, error))
        return nullptr;
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        *error = "cannot load the recognition models for \"" + languages + "\"";
        return nullptr;
    }
    if (!AllLoaded(*api, languages, error))
        return nullptr;
    // The whole page with its columns and pictures; the default treats it as one block.
    api->SetPageSegMode(tesseract::PSM_AUTO);
    // Tesseract's progress notes would otherwise fill the core's error stream.
    api->SetVariable("debug_file", "/dev/null");
    return std::unique_ptr<OcrEngine>(new OcrEngine(std::move(api)));
}

OcrStatus OcrEngine::Recognise(const OcrPicture& picture, const OcrOptions& options, OcrResult* out,
                               std::string* error) {
    *out = OcrResult{};
    if (picture.Empty()) {
        *error = "no picture to recognise";
        return OcrStatus::kFailed;
    }
    if (options.cancelled && options.cancelled()) {
        *error = Reason(OcrStatus::kCancelled);
        return OcrStatus::kCancelled;
    }
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
        out->lines = Lines(*api_);
        DropNoise(&out->lines);
    }
    api_->Clear();
    *error = Reason(status);
    return status;
}

}  // namespace reconstruct
