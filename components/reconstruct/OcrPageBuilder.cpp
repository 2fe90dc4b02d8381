#include "reconstruct/OcrPageBuilder.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "reconstruct/FontMapper.h"
#include "reconstruct/OcrRules.h"
#include "reconstruct/OcrText.h"
#include "reconstruct/PageLayout.h"
#include "reconstruct/RunningTextDetector.h"
#include "reconstruct/TableFinder.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

// Heights measured from ink vary from line to line by a few percent; differences this small
// are measuring noise, not a change of size.
constexpr double kSameSizeShare = 0.12;
constexpr double kSizeStep = 0.5;  // points: Word's own step
// A character's box reaches this far above and below the baseline, in ems, as a PDF's do.
constexpr double kAscent = 0.8;
constexpr double kDescent = 0.2;

Rect Scaled(const Rect& box, double scale) {
    return {box.x0 * scale, box.y0 * scale, box.x1 * scale, box.y1 * scale};
}

double Rounded(double points) {
    return std::max(kSizeStep, std::round(points / kSizeStep) * kSizeStep);
}

std::size_t GlyphCount(const OcrLine& line) {
    std::size_t count = 0;
    for (const OcrWord& word : line.words)
        count += word.glyphs.size();
    return count;
}

// Each line's size in points; sizes near the most common one become that one.
std::vector<double> LineSizes(const std::vector<OcrLine>& lines, double scale) {
    std::vector<double> sizes;
    std::map<double, std::size_t> weights;
    for (const OcrLine& line : lines) {
        sizes.push_back(Rounded(line.font_pixels * scale));
        weights[sizes.back()] += GlyphCount(line);
    }
    const auto body = std::max_element(weights.begin(), weights.end(),
                                       [](auto& a, auto& b) { return a.second < b.second; });
    if (body == weights.end())
        return sizes;
    for (double& size : sizes) {
        if (std::abs(size - body->first) <= kSameSizeShare * body->first)
            size = body->first;
    }
    return sizes;
}

bool HasCjk(const OcrLine& line) {
    return std::any_of(line.words.begin(), line.words.end(), [](const OcrWord& word) {
        const std::u32string codes = DecodeUtf8(word.text);
        return std::any_of(codes.begin(), codes.end(), IsCjk);
    });
}

int StyleIndex(double size, bool cjk, std::vector<FontStyle>* styles) {
    FontStyle style;
    style.family = InstalledFamily("", false, false, false, false, cjk);
    style.size = size;
    auto same = std::find(styles->begin(), styles->end(), style);
    if (same == styles->end())
        same = styles->insert(styles->end(), style);
    return static_cast<int>(same - styles->begin());
}

// The characters of one recognised line, all standing on its baseline.
class LineBuilder {
public:
    LineBuilder(const OcrLine& line, double size, int style, double scale)
        : scale_(scale), style_(style) {
        line_.baseline = line.baseline * scale;
        top_ = line_.baseline - kAscent * size;
        bottom_ = line_.baseline + kDescent * size;
    }

    void AddWord(const OcrWord& word) {
        for (const OcrGlyph& glyph : word.glyphs) {
            const std::u32string codes = DecodeUtf8(glyph.text);
            if (codes.empty())
                continue;
            const Rect box = Scaled(glyph.box, scale_);
            if (&glyph == &word.glyphs.front())
                AddGapBefore(codes.front(), box.x0);
            // A ligature's box is shared out evenly among its characters.
            const double width = box.Width() / double(codes.size());
            for (std::size_t i = 0; i < codes.size(); ++i)
                Add(codes[i], box.x0 + width * double(i), box.x0 + width * double(i + 1));
        }
    }

    RawLine Take() { return std::move(line_); }

private:
    void AddGapBefore(char32_t first, double x) {
        if (line_.chars.empty() || JoinsWithoutSpace(line_.chars.back().code, first))
            return;
        const double from = line_.chars.back().box.x1;
        Add(U' ', from, std::max(from, x));
    }

    void Add(char32_t code, double x0, double x1) {
        line_.chars.push_back({code, {x0, top_, x1, bottom_}, style_});
        line_.box = line_.box.United(line_.chars.back().box);
    }

    RawLine line_;
    double scale_;
    int style_;
    double top_ = 0;
    double bottom_ = 0;
};

void AddRules(const OcrResult& result, const OcrPicture& picture, double scale, RawPage* raw) {
    for (const PictureRule& rule : FindPictureRules(picture, result.figures)) {
        const Rect box = Scaled(rule.box, scale);
        raw->rules.push_back(
            {box, rule.horizontal, rule.horizontal ? box.Height() : box.Width(), Rgb{}});
    }
}

void AddFigures(const OcrResult& result, const OcrPicture& picture, double scale, RawPage* raw) {
    const Rect bounds{0, 0, double(picture.Width()), double(picture.Height())};
    for (const Rect& figure : result.figures) {
        const Rect inside = figure.Intersected(bounds);
        std::vector<unsigned char> png = picture.PngOf(inside);
        if (png.empty())
            continue;
        raw->images.push_back({Scaled(inside, scale), "image/png", std::move(png),
                               static_cast<int>(std::ceil(inside.Width())),
                               static_cast<int>(std::ceil(inside.Height()))});
    }
}

}  // namespace

RawPage OcrRawPage(const OcrResult& result, const OcrPicture& picture, const OcrPageFrame& frame) {
    RawPage raw;
    raw.index = frame.index;
    raw.width = frame.width;
    raw.height = frame.height;
    const std::vector<double> sizes = LineSizes(result.lines, frame.scale);
    for (std::size_t i = 0; i < result.lines.size(); ++i) {
        const OcrLine& line = result.lines[i];
        const int style = StyleIndex(sizes[i], HasCjk(line), &raw.styles);
        LineBuilder builder(line, sizes[i], style, frame.scale);
        for (const OcrWord& word : line.words)
            builder.AddWord(word);
        RawLine built = builder.Take();
        if (!built.chars.empty())
            raw.lines.push_back(std::move(built));
    }
    AddRules(result, picture, frame.scale, &raw);
    AddFigures(result, picture, frame.scale, &raw);
    return raw;
}

Page BuildOcrPage(const OcrResult& result, const OcrPicture& picture, const OcrPageFrame& frame) {
    const RawPage raw = OcrRawPage(result, picture, frame);
    return LayOutPage(raw, FindTables(raw), RunningTextDetector());
}

Page PicturePage(const OcrPageFrame& frame, Image picture) {
    Page page;
    page.index = frame.index;
    page.width = frame.width;
    page.height = frame.height;
    page.margins = {0, 0, 0, 0};
    picture.box = {0, 0, frame.width, frame.height};
    page.page_image = std::move(picture);
    return page;
}

}  // namespace reconstruct
