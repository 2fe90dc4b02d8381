#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct::testing {

// Synthetic pages for table finding: text where every character is half its size wide (spaces
// too, so runs of spaces make wide gaps), rules and fills where the test puts them.
class TablePage {
public:
    static constexpr int kSerif = 0;
    static constexpr int kMono = 1;

    TablePage() {
        page_.width = 612;
        page_.height = 792;
        page_.styles.push_back({"Serif", "Noto Serif", 10, false, false, false, {}});
        page_.styles.push_back({"Mono", "Noto Sans Mono", 10, false, false, true, {}});
    }

    // One drawn line starting at x on a baseline; returns its right end.
    double Text(double x, double baseline, std::u32string_view text, int style = kSerif) {
        const double size = page_.styles[style].size;
        RawLine line;
        line.baseline = baseline;
        for (char32_t code : text) {
            RawChar c;
            c.code = code;
            c.style = style;
            c.box = {x, baseline - 0.8 * size, x + 0.5 * size, baseline + 0.2 * size};
            line.box = line.box.United(c.box);
            line.chars.push_back(c);
            x += 0.5 * size;
        }
        page_.lines.push_back(std::move(line));
        return x;
    }

    // Text ending at `right`.
    void RightText(double right, double baseline, std::u32string_view text) {
        Text(right - 5.0 * static_cast<double>(text.size()), baseline, text);
    }

    void Across(double y, double x0, double x1, double width = 1, Rgb color = {}) {
        page_.rules.push_back({{x0, y - width / 2, x1, y + width / 2}, true, width, color});
    }

    void Down(double x, double y0, double y1, double width = 1, Rgb color = {}) {
        page_.rules.push_back({{x - width / 2, y0, x + width / 2, y1}, false, width, color});
    }

    // Every line of a full grid.
    void Grid(const std::vector<double>& xs, const std::vector<double>& ys, double width = 1) {
        for (double y : ys)
            Across(y, xs.front(), xs.back(), width);
        for (double x : xs)
            Down(x, ys.front(), ys.back(), width);
    }

    void Fill(Rect box, Rgb color) { page_.fills.push_back({box, color}); }

    const RawPage& page() const { return page_; }
    RawPage& page() { return page_; }

private:
    RawPage page_;
};

inline const Cell* CellAt(const Table& table, int row, int column) {
    for (const Cell& cell : table.cells)
        if (cell.row == row && cell.column == column)
            return &cell;
    return nullptr;
}

// The paragraphs of a cell joined with "|"; "<none>" when no cell starts there.
inline std::string CellText(const Table& table, int row, int column) {
    const Cell* cell = CellAt(table, row, column);
    if (cell == nullptr)
        return "<none>";
    std::string text;
    for (const Paragraph& paragraph : cell->paragraphs) {
        if (!text.empty())
            text.push_back('|');
        text.append(TextOf(paragraph.runs));
    }
    return text;
}

}  // namespace reconstruct::testing
