#include "reconstruct/TextLine.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

const FontStyle* StyleOf(const RawPage& page, const RawChar& c) {
    if (c.style < 0 || static_cast<std::size_t>(c.style) >= page.styles.size())
        return nullptr;
    return &page.styles[c.style];
}

// The characters of `line` without the blanks that `other`'s text stands in: a gap one line
// left for the other to fill.
std::vector<RawChar> WithoutBlanksOver(const TextLine& line, const TextLine& other) {
    std::vector<double> centres;
    for (const RawChar& c : other.chars) {
        if (!IsBlank(c.code))
            centres.push_back(c.box.CenterX());
    }
    std::sort(centres.begin(), centres.end());
    std::vector<RawChar> chars = line.chars;
    std::erase_if(chars, [&](const RawChar& c) {
        if (!IsBlank(c.code))
            return false;
        const auto first = std::upper_bound(centres.begin(), centres.end(), c.box.x0);
        return first != centres.end() && *first < c.box.x1;
    });
    return chars;
}

bool IsMonospace(const RawPage& page, const RawChar& c) {
    const FontStyle* style = StyleOf(page, c);
    return style != nullptr && style->monospace;
}

// Code: a line set in a fixed-pitch face, or one that is until a comment in the text face
// ("x = 1; /* the first */"). Prose that quotes code starts or keeps to the text face.
bool IsCodeLine(const RawPage& page, std::span<const RawChar> chars) {
    std::u32string code;
    int printed = 0;
    int monospace = 0;
    bool in_comment = false;
    for (const RawChar& c : chars) {
        if (IsBlank(c.code))
            continue;
        ++printed;
        if (IsMonospace(page, c)) {
            ++monospace;
            if (!in_comment)
                code.push_back(c.code);
            continue;
        }
        if (code.empty())
            return false;
        in_comment =
            in_comment || code.ends_with(U"/*") || code.ends_with(U"//") || code.ends_with(U"#");
    }
    if (code.empty())
        return false;
    return in_comment || monospace * 5 >= printed * 4;
}

}  // namespace

bool IsBlank(char32_t code) {
    return code == U' ' || code == U'\t' || code == 0xA0 || code == 0x3000;
}

bool IsFiniteBox(const Rect& box) {
    return std::isfinite(box.x0) && std::isfinite(box.y0) && std::isfinite(box.x1) &&
           std::isfinite(box.y1);
}

std::optional<TextLine> MakeTextLine(const RawPage& page, std::vector<RawChar> chars,
                                     double baseline) {
    TextLine line;
    line.baseline = baseline;
    std::map<double, int> sizes;
    int visible = 0;
    int bold = 0;
    std::erase_if(chars, [](const RawChar& c) { return !IsFiniteBox(c.box); });
    for (const RawChar& c : chars) {
        if (IsBlank(c.code))
            continue;
        line.box = line.box.IsEmpty() ? c.box : line.box.United(c.box);
        ++visible;
        const FontStyle* style = StyleOf(page, c);
        if (style == nullptr)
            continue;
        bold += style->bold ? 1 : 0;
        // Raised and lowered characters are smaller than the line they sit in.
        if (c.shift == VerticalShift::kNone && std::isfinite(style->size) && style->size > 0)
            ++sizes[std::round(style->size * 2) / 2];
    }
    if (visible == 0)
        return std::nullopt;
    if (line.box.IsEmpty())  // glyphs without extent still need a place
        line.box = {line.box.x0, line.box.y0, line.box.x0 + 0.1, line.box.y0 + 0.1};
    int best = 0;
    for (const auto& [size, count] : sizes) {
        if (count > best) {
            best = count;
            line.size = size;
        }
    }
    if (line.size <= 0)
        line.size = std::max(1.0, line.box.Height());
    if (!std::isfinite(line.baseline))
        line.baseline = line.box.y1;
    line.bold = bold * 5 >= visible * 4;
    line.code = IsCodeLine(page, chars);
    line.chars = std::move(chars);
    return line;
}

void JoinRow(const RawPage& page, const TextLine& other, TextLine* row) {
    const double gap = 0.15 * std::max(row->size, other.size);
    const std::vector<RawChar> row_chars = WithoutBlanksOver(*row, other);
    const std::vector<RawChar> other_chars = WithoutBlanksOver(other, *row);
    std::vector<RawChar> chars;
    chars.reserve(row_chars.size() + other_chars.size() + 1);
    std::size_t mine = 0;
    std::size_t theirs = 0;
    bool last_mine = true;
    while (mine < row_chars.size() || theirs < other_chars.size()) {
        const bool take_mine = theirs >= other_chars.size() ||
                               (mine < row_chars.size() &&
                                row_chars[mine].box.CenterX() <= other_chars[theirs].box.CenterX());
        const RawChar& c = take_mine ? row_chars[mine++] : other_chars[theirs++];
        if (!chars.empty() && take_mine != last_mine && !IsBlank(c.code) &&
            !IsBlank(chars.back().code) && c.box.x0 - chars.back().box.x1 > gap) {
            RawChar space = chars.back();
            space.code = U' ';
            space.box = {space.box.x1, space.box.y0, c.box.x0, space.box.y1};
            chars.push_back(space);
        }
        chars.push_back(c);
        last_mine = take_mine;
    }
    // The row keeps the baseline and size of its larger text, not of a superscript within it.
    const double baseline = other.size > row->size ? other.baseline : row->baseline;
    if (std::optional<TextLine> joined = MakeTextLine(page, std::move(chars), baseline))
        *row = std::move(*joined);
}

double FirstWordWidth(const TextLine& line) {
    double x0 = 0;
    double x1 = 0;
    bool started = false;
    for (const RawChar& c : line.chars) {
        if (IsBlank(c.code)) {
            if (started)
                break;
            continue;
        }
        if (!started)
            x0 = c.box.x0;
        started = true;
        x1 = c.box.x1;
        if (IsCjk(c.code))
            break;
    }
    return std::max(0.0, x1 - x0);
}

}  // namespace reconstruct
