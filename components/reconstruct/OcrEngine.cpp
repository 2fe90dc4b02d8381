#include "reconstruct/OcrEngine.h"

#include <dlfcn.h>

#include <algorithm>
#include <vector>

#include "platform/Paths.h"
#include "reconstruct/OcrBackend.h"
#include "reconstruct/OcrText.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr std::size_t kMostLanguagesLength = 100;
// An ideograph's ink is about this much of the em (0.93 in the Noto CJK faces, serif and sans).
constexpr double kIdeographToEm = 0.93;
// Latin x-heights are about this much of the em in common faces.
constexpr double kXHeightToEm = 0.55;

bool IsLanguageName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool CheckLanguages(const std::string& languages, std::string* error) {
    bool well_formed = languages.size() <= kMostLanguagesLength;
    std::size_t name_length = 0;
    for (char c : languages + '+') {
        if (c == '+') {
            well_formed = well_formed && name_length > 0;
            name_length = 0;
            continue;
        }
        well_formed = well_formed && IsLanguageName(c);
        ++name_length;
    }
    if (!well_formed && languages.size() <= kMostLanguagesLength)
        *error = "not a list of recognition languages: \"" + languages + "\"";
    else if (!well_formed)
        *error = "not a list of recognition languages";
    return well_formed;
}

// Loaded once per process and never unloaded: engines made from it may live until the end.
OcrBackendFactory LoadBackendFactory(std::string* error) {
    struct Loaded {
        OcrBackendFactory factory = nullptr;
        std::string error;
    };
    static const Loaded loaded = [] {
        const auto path = platform::ProgramFolder() / kOcrModuleFile;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return Loaded{nullptr,
                          std::string("cannot load the text recognition engine: ") + ::dlerror()};
        auto* factory = reinterpret_cast<OcrBackendFactory>(::dlsym(module, kOcrBackendFactory));
        if (factory == nullptr)
            return Loaded{nullptr, path.string() + " is no text recognition engine"};
        return Loaded{factory, {}};
    }();
    if (loaded.factory == nullptr)
        *error = loaded.error;
    return loaded.factory;
}

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
double FontPixels(const OcrLine& line, const OcrRowMetrics& row) {
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

std::vector<OcrLine> FinishLines(OcrReading reading) {
    std::vector<OcrLine>& lines = reading.lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::erase_if(lines[i].words,
                      [](const OcrWord& w) { return w.text.empty() || w.glyphs.empty(); });
        lines[i].font_pixels = FontPixels(lines[i], reading.rows[i]);
    }
    DropNoise(&lines);
    return std::move(lines);
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

OcrEngine::OcrEngine(std::unique_ptr<OcrBackend> backend) : backend_(std::move(backend)) {}

OcrEngine::~OcrEngine() = default;

std::unique_ptr<OcrEngine> OcrEngine::Create(const std::string& languages, std::string* error) {
    if (!CheckLanguages(languages, error))
        return nullptr;
    const OcrBackendFactory factory = LoadBackendFactory(error);
    if (factory == nullptr)
        return nullptr;
    std::unique_ptr<OcrBackend> backend(factory(languages, error));
    if (backend == nullptr)
        return nullptr;
    return std::unique_ptr<OcrEngine>(new OcrEngine(std::move(backend)));
}

OcrStatus OcrEngine::Recognise(const OcrPicture& picture, const OcrOptions& options, OcrResult* out,
                               std::string* error) {
    *out = OcrResult{};
    if (picture.Empty()) {
        *error = "no picture to recognise";
        return OcrStatus::kFailed;
    }
    OcrStatus status = OcrStatus::kCancelled;
    OcrReading reading;
    if (!options.cancelled || !options.cancelled())
        status = backend_->Read(picture, options, &reading);
    if (status == OcrStatus::kDone) {
        out->figures = std::move(reading.figures);
        out->lines = FinishLines(std::move(reading));
    }
    *error = Reason(status);
    return status;
}

}  // namespace reconstruct
