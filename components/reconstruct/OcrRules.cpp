#include "reconstruct/OcrRules.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <memory>

namespace reconstruct {
namespace {

constexpr double kLeastLengthInches = 1.0 / 3;
constexpr double kMostThicknessInches = 1.0 / 25;
// Darker than this (of 255) is ink.
constexpr int kInkThreshold = 128;
// A page of a thousand rules is a pattern, not a table; the grid finder is not fed more.
constexpr int kMostRules = 1000;

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
struct BoxaDeleter {
    void operator()(Boxa* boxa) const { boxaDestroy(&boxa); }
};
using PixHandle = std::unique_ptr<Pix, PixDeleter>;
using BoxaHandle = std::unique_ptr<Boxa, BoxaDeleter>;

bool InsideAny(const std::vector<Rect>& figures, const Rect& box) {
    return std::any_of(figures.begin(), figures.end(), [&](const Rect& figure) {
        return figure.Contains(box.CenterX(), box.CenterY());
    });
}

// What survives an opening with a line `length` long: runs of ink at least that long.
void AddRuns(Pix* ink, int length, bool horizontal, int most_thickness,
             const std::vector<Rect>& figures, std::vector<PictureRule>* rules) {
    const PixHandle runs(horizontal ? pixOpenBrick(nullptr, ink, length, 1)
                                    : pixOpenBrick(nullptr, ink, 1, length));
    if (runs == nullptr)
        return;
    const BoxaHandle boxes(pixConnCompBB(runs.get(), 8));
    const int count = boxes != nullptr ? boxaGetCount(boxes.get()) : 0;
    for (int i = 0; i < count && rules->size() < kMostRules; ++i) {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        boxaGetBoxGeometry(boxes.get(), i, &x, &y, &width, &height);
        const Rect box{double(x), double(y), double(x + width), double(y + height)};
        if ((horizontal ? height : width) <= most_thickness && !InsideAny(figures, box))
            rules->push_back({box, horizontal});
    }
}

}  // namespace

std::vector<PictureRule> FindPictureRules(const OcrPicture& picture,
                                          const std::vector<Rect>& figures) {
    std::vector<PictureRule> rules;
    if (picture.Empty())
        return rules;
    const PixHandle ink(pixConvertTo1(picture.Get(), kInkThreshold));
    if (ink == nullptr)
        return rules;
    const int length = std::max(2, static_cast<int>(picture.Dpi() * kLeastLengthInches));
    const int most_thickness = std::max(1, static_cast<int>(picture.Dpi() * kMostThicknessInches));
    AddRuns(ink.get(), length, true, most_thickness, figures, &rules);
    AddRuns(ink.get(), length, false, most_thickness, figures, &rules);
    return rules;
}

}  // namespace reconstruct
