#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "reconstruct/RawPage.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {

// Pages described in a test's words: "a line of text at x, y in size s". Glyphs have the widths
// of a fixed-pitch face: half the size for Latin, the full size for CJK, a quarter for a space.
class RawPageBuilder {
public:
    explicit RawPageBuilder(double width = 612, double height = 792, int index = 0) {
        page_.width = width;
        page_.height = height;
        page_.index = index;
    }

    static double Advance(char32_t code, double size) {
        if (code == U' ')
            return 0.25 * size;
        return IsCjk(code) ? size : 0.5 * size;
    }

    static double WidthOf(std::u32string_view text, double size) {
        double width = 0;
        for (char32_t code : text)
            width += Advance(code, size);
        return width;
    }

    // A line whose first glyph starts at x, on baseline y; `stretch` widens each space.
    RawPageBuilder& Text(double x, double baseline, std::u32string_view text, double size = 10,
                         bool bold = false, double stretch = 0) {
        return InStyle(x, baseline, text, size, StyleFor(size, bold, false), stretch);
    }

    // The same in a fixed-pitch face, as code is set.
    RawPageBuilder& Code(double x, double baseline, std::u32string_view text, double size = 10) {
        return InStyle(x, baseline, text, size, StyleFor(size, false, true), 0);
    }

    RawPageBuilder& InStyle(double x, double baseline, std::u32string_view text, double size,
                            int style, double stretch) {
        RawLine line;
        line.baseline = baseline;
        for (char32_t code : text) {
            const double advance = Advance(code, size) + (code == U' ' ? stretch : 0);
            line.chars.push_back(
                {code, {x, baseline - 0.8 * size, x + advance, baseline + 0.2 * size}, style});
            line.box = line.box.United(line.chars.back().box);
            x += advance;
        }
        page_.lines.push_back(std::move(line));
        return *this;
    }

    // A line spread from x0 to x1, as a justified line is.
    RawPageBuilder& Spread(double x0, double x1, double baseline, std::u32string_view text,
                           double size = 10) {
        const auto spaces = std::count(text.begin(), text.end(), U' ');
        const double extra = spaces > 0 ? (x1 - x0 - WidthOf(text, size)) / spaces : 0;
        return Text(x0, baseline, text, size, false, extra);
    }

    // `text` wrapped into lines from x0 to x1 (justified but for the last line), the first line
    // indented by `indent`; returns the baseline of the last line.
    double Wrapped(double x0, double x1, double baseline, std::u32string_view text,
                   double size = 10, double indent = 0, double pitch = 12) {
        std::vector<std::u32string> lines = Wrap(text, x1 - x0, size, indent);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const double left = i == 0 ? x0 + indent : x0;
            const double y = baseline + pitch * static_cast<double>(i);
            if (i + 1 < lines.size() && lines[i].find(U' ') != std::u32string::npos)
                Spread(left, x1, y, lines[i], size);
            else
                Text(left, y, lines[i], size);
        }
        return baseline + pitch * static_cast<double>(lines.size() - 1);
    }

    RawPageBuilder& Picture(const Rect& box) {
        page_.images.push_back({box, "image/jpeg", {0xFF, 0xD8, 0xFF}, 10, 10});
        return *this;
    }

    // A horizontal rule `thickness` points thick centred on `y`.
    RawPageBuilder& HorizontalRule(double x0, double x1, double y, double thickness = 0.5) {
        page_.rules.push_back(
            {{x0, y - thickness / 2, x1, y + thickness / 2}, true, thickness, {}});
        return *this;
    }

    RawPageBuilder& Drawing(const Rect& box) {
        page_.graphics.push_back({box, {0x89, 'P', 'N', 'G'}, 10, 10});
        return *this;
    }

    const RawPage& page() const { return page_; }

private:
    int StyleFor(double size, bool bold, bool monospace) {
        for (std::size_t i = 0; i < page_.styles.size(); ++i) {
            const FontStyle& style = page_.styles[i];
            if (style.size == size && style.bold == bold && style.monospace == monospace)
                return static_cast<int>(i);
        }
        const std::string name = monospace ? "Mono" : bold ? "Serif-Bold" : "Serif";
        page_.styles.push_back({name, name, size, bold, false, monospace, {}});
        return static_cast<int>(page_.styles.size() - 1);
    }

    // Words of Latin text, single characters of CJK text.
    static std::vector<std::u32string> Wrap(std::u32string_view text, double width, double size,
                                            double indent) {
        std::vector<std::u32string> lines(1);
        double room = width - indent;
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = at + 1;
            if (!IsCjk(text[at])) {
                while (end < text.size() && text[end] != U' ' && !IsCjk(text[end]))
                    ++end;
            }
            const std::u32string_view word = text.substr(at, end - at);
            const bool spaced = !lines.back().empty() && !IsCjk(word.front());
            const double needed = WidthOf(word, size) + (spaced ? Advance(U' ', size) : 0);
            if (needed > room - WidthOf(lines.back(), size) && !lines.back().empty()) {
                lines.emplace_back();
                room = width;
            }
            if (!lines.back().empty() && !IsCjk(word.front()))
                lines.back() += U' ';
            lines.back() += word;
            at = end;
            while (at < text.size() && text[at] == U' ')
                ++at;
        }
        return lines;
    }

    RawPage page_;
};

}  // namespace reconstruct
