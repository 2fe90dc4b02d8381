#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "reconstruct/OcrPicture.h"
#include "reconstruct/OcrResult.h"

namespace reconstruct {

class OcrBackend;

inline constexpr char kDefaultOcrLanguages[] = "chi_sim+eng";

struct OcrOptions {
    // Polled while words are recognised (between words); true stops the page. May be empty.
    std::function<bool()> cancelled;
    // The share of the page's words done, 0..100, when it grows. May be empty.
    std::function<void(int percent)> progress;
    // A page still not done after this long is given up.
    std::chrono::milliseconds time_limit{std::chrono::seconds(120)};
};

enum class OcrStatus { kDone, kCancelled, kTimedOut, kFailed };

// Text recognition with Tesseract's LSTM models and its page layout analysis. An engine holds
// the loaded models and is used by one thread at a time; make one per thread.
class OcrEngine {
public:
    // Loads the models of `languages` ("chi_sim+eng": names joined by '+'). Nullptr with the
    // reason when a name is malformed or a model is not installed.
    static std::unique_ptr<OcrEngine> Create(const std::string& languages, std::string* error);
    ~OcrEngine();
    OcrEngine(const OcrEngine&) = delete;
    OcrEngine& operator=(const OcrEngine&) = delete;

    // The text lines of `picture` in reading order, each with its words, their boxes and
    // confidence, and the estimated font size; punctuation noise dropped. Also the areas the
    // layout analysis took for pictures. Anything but kDone leaves `out` empty, with the reason
    // in `error`.
    OcrStatus Recognise(const OcrPicture& picture, const OcrOptions& options, OcrResult* out,
                        std::string* error);

private:
    explicit OcrEngine(std::unique_ptr<OcrBackend> backend);

    std::unique_ptr<OcrBackend> backend_;  // used only by the thread calling Recognise
};

}  // namespace reconstruct
