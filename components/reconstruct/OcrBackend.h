#pragma once

#include <string>
#include <vector>

#include "reconstruct/OcrEngine.h"

// The recognition engine proper lives in a module of its own, libquire-ocr.so, loaded on the
// first scan a core meets: with the libraries it pulls in, loading it would add about a quarter
// to every core's start, and most tasks never recognise a page.
namespace reconstruct {

inline constexpr char kOcrModuleFile[] = "libquire-ocr.so";
inline constexpr char kOcrBackendFactory[] = "quire_create_ocr_backend";

// The recogniser's measures of a text row, in pixels: x-height plus ascenders (above it) less
// descenders (negative, below the baseline).
struct OcrRowMetrics {
    float height = 0;
    float descenders = 0;
    float ascenders = 0;
};

// A page as the engine read it: lines with their words and characters (font sizes not yet
// estimated), one row measure per line, and the areas taken for pictures.
struct OcrReading {
    std::vector<OcrLine> lines;
    std::vector<OcrRowMetrics> rows;
    std::vector<Rect> figures;
};

// One loaded set of models; used by one thread at a time.
class OcrBackend {
public:
    virtual ~OcrBackend() = default;
    // kDone fills `out`; anything else leaves it empty.
    virtual OcrStatus Read(const OcrPicture& picture, const OcrOptions& options,
                           OcrReading* out) = 0;
};

// The module's one export: the models of a well-formed `languages` list loaded, or nullptr
// with the reason.
using OcrBackendFactory = OcrBackend* (*)(const std::string& languages, std::string* error);

}  // namespace reconstruct
