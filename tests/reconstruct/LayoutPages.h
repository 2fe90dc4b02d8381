#pragma once

#include <map>
#include <string>
#include <vector>

#include "RawPageBuilder.h"
#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// Pages the layout tests share, each described as a reader would see it.
inline const std::u32string kFirstText =
    U"Layout analysis turns positioned glyphs back into flowing paragraphs that a writer can "
    U"edit, keeping the reading order of the page and the look of every piece of text.";
inline const std::u32string kSecondText =
    U"Columns are found from the white gutters between them, and the lines of each column are "
    U"joined where the gaps and the indents say that they belong together.";
inline const std::u32string kThirdText =
    U"Short texts end early, so the next paragraph starts on a fresh line.";
inline const std::u32string kCjkText =
    U"版面分析把页面上定位的字形重新组合成可以编辑的段落，保持阅读顺序和文字的样式，中文行之间不加"
    U"空格，"
    U"全角标点保留原样。";

// A single column from 72 to 540: two indented paragraphs, a gap, and a flush one.
inline RawPage OneColumnPage() {
    RawPageBuilder page;
    double y = page.Wrapped(72, 540, 100, kFirstText, 10, 18);
    y = page.Wrapped(72, 540, y + 12, kSecondText, 10, 18);
    page.Wrapped(72, 540, y + 22, kThirdText, 10, 0);
    return page.page();
}

// A centred title over two columns (72-297 and 315-540) of two paragraphs each. When `merged`,
// the PDF drew each row of both columns as one line, as some producers do.
inline RawPage TwoColumnPage(bool merged) {
    RawPageBuilder page;
    const std::u32string title = U"Reconstructing Documents";
    page.Text(306 - RawPageBuilder::WidthOf(title, 20) / 2, 80, title, 20);
    double y = page.Wrapped(72, 297, 120, kFirstText);
    page.Wrapped(72, 297, y + 20, kThirdText);
    y = page.Wrapped(315, 540, 120, kSecondText);
    page.Wrapped(315, 540, y + 20, kThirdText);
    RawPage raw = page.page();
    if (!merged)
        return raw;
    std::vector<RawLine> rows;
    for (RawLine& line : raw.lines) {
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const RawLine& r) { return r.baseline == line.baseline; });
        if (row == rows.end()) {
            rows.push_back(std::move(line));
            continue;
        }
        RawChar space = row->chars.back();
        space.code = U' ';
        space.box = {row->box.x1, row->box.y0, line.box.x0, row->box.y1};
        row->chars.push_back(space);
        row->chars.insert(row->chars.end(), line.chars.begin(), line.chars.end());
        row->box = row->box.United(line.box);
    }
    raw.lines = std::move(rows);
    return raw;
}

// Two bulleted items and a nested one; numbered steps with lettered sub-steps.
inline RawPage ListPage() {
    RawPageBuilder page;
    // The bullet comes from a symbol font, drawn apart from its text.
    page.Text(72, 100, U"•");
    page.Spread(79.5, 540, 100,
                U"The first item is long enough to run over the right edge of the column so that "
                U"it wraps");
    page.Text(79.5, 112, U"onto a second line under its own text.");
    page.Text(90, 124, U"○ A nested point");
    page.Text(72, 136, U"• The second item");
    page.Text(72, 160, U"1. Open the file");
    page.Text(90, 172, U"a. Choose the pages");
    page.Text(90, 184, U"b. Choose the format");
    page.Text(72, 196, U"2. Save the result");
    return page.page();
}

// Two Chinese paragraphs indented by two characters, and a one-line one.
inline RawPage CjkPage() {
    RawPageBuilder page;
    double y = page.Wrapped(72, 540, 100, kCjkText, 10, 20);
    y = page.Wrapped(72, 540, y + 12, kCjkText, 10, 20);
    page.Text(92, y + 12, U"短段落也缩进两个字。");
    return page.page();
}

inline void AppendCodes(const std::string& utf8, std::map<char32_t, int>* counts) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (code != U' ')
            ++(*counts)[code];
        i += 1 + extra;
    }
}

}  // namespace reconstruct
