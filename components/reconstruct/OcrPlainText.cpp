#include "reconstruct/OcrPlainText.h"

#include <variant>

#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

std::string ParagraphText(const Paragraph& paragraph) {
    const std::string text = TextOf(paragraph.runs);
    if (paragraph.list_marker.empty())
        return text;
    return paragraph.list_marker + " " + text;
}

// A cell's paragraphs share its line, separated by spaces.
std::string CellText(const Cell& cell) {
    std::string text;
    for (const Paragraph& paragraph : cell.paragraphs) {
        const std::string part = ParagraphText(paragraph);
        if (part.empty())
            continue;
        if (!text.empty())
            text += ' ';
        text += part;
    }
    return text;
}

void AppendTable(const Table& table, std::string* out) {
    int row = -1;
    for (const Cell& cell : table.cells) {
        if (cell.row != row) {
            if (row >= 0)
                *out += '\n';
            row = cell.row;
        } else {
            *out += '\t';
        }
        *out += CellText(cell);
    }
    if (row >= 0)
        *out += '\n';
}

void AppendBlock(const Block& block, std::string* out) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
        const std::string text = ParagraphText(*paragraph);
        if (!text.empty())
            *out += text + '\n';
    } else if (const auto* table = std::get_if<Table>(&block)) {
        AppendTable(*table, out);
    }
}

}  // namespace

std::string PlainTextOf(const Page& page) {
    std::string text;
    for (const Region& region : page.regions) {
        for (const Block& block : region.blocks)
            AppendBlock(block, &text);
    }
    return text;
}

}  // namespace reconstruct
