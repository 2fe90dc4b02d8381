#include "reconstruct/ExcelWriter.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "reconstruct/CellValue.h"
#include "reconstruct/TableGrid.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr double kDefaultRowHeight = 15;  // points, the default font's row
constexpr double kMaxRowHeight = 409;
constexpr double kMaxColumnWidth = 255;  // characters
// A grid larger than any real page's table: hostile input stops here.
constexpr int kMaxTableRows = 2000;
constexpr int kMaxTableColumns = 200;

bool Check(lxw_error result, std::string* error) {
    if (result == LXW_NO_ERROR)
        return true;
    *error = std::string("cannot write the sheet: ") + lxw_strerror(result);
    return false;
}

std::string ParagraphText(const Paragraph& paragraph) {
    const std::string text = TextOf(paragraph.runs);
    return paragraph.list_marker.empty() ? text : paragraph.list_marker + " " + text;
}

// The look of text as its first run shows it: a cell has one font.
CellLook LookOf(const Paragraph* paragraph) {
    CellLook look;
    if (paragraph == nullptr)
        return look;
    look.align = paragraph->align;
    if (paragraph->runs.empty())
        return look;
    const TextRun& run = paragraph->runs.front();
    look.font = run.font;
    look.font.pdf_name.clear();
    look.underline = run.underline;
    look.strike = run.strike;
    look.shift = run.shift;
    return look;
}

double RowHeight(double points) {
    return points > 0 ? std::min(points, kMaxRowHeight) : kDefaultRowHeight;
}

// One page's sheet, written top to bottom: `row_` is the next free row.
class PageSheet {
public:
    PageSheet(lxw_worksheet* sheet, ExcelFormats* formats, const Page& page)
        : sheet_(sheet), formats_(formats), page_(page) {}

    bool Write(std::string* error) {
        PlanColumns();
        if (page_.page_image)
            InsertImage(*page_.page_image, {0, 0, page_.width, page_.height});
        for (const Region& region : page_.regions) {
            for (const Block& block : region.blocks) {
                if (!WriteBlock(block, error))
                    return false;
            }
        }
        return true;
    }

private:
    // Sheet columns follow the tables' columns; text outside tables spans them all. A page
    // without tables gets one column as wide as its text.
    void PlanColumns() {
        for (const Region& region : page_.regions) {
            for (const Block& block : region.blocks) {
                if (const auto* table = std::get_if<Table>(&block))
                    WidenColumns(table->column_widths);
                else if (const auto* paragraph = std::get_if<Paragraph>(&block))
                    text_width_ = std::max(text_width_, paragraph->box.Width());
            }
        }
        if (column_points_.empty() && text_width_ > 0)
            column_points_.push_back(text_width_);
        for (std::size_t c = 0; c < column_points_.size(); ++c)
            worksheet_set_column(sheet_, c, c, ExcelColumnWidth(column_points_[c]), nullptr);
    }

    void WidenColumns(const std::vector<double>& widths) {
        const std::size_t count = std::min<std::size_t>(widths.size(), kMaxTableColumns);
        if (column_points_.size() < count)
            column_points_.resize(count, 0);
        for (std::size_t c = 0; c < count; ++c)
            column_points_[c] = std::max(column_points_[c], widths[c]);
    }

    bool WriteBlock(const Block& block, std::string* error) {
        if (const auto* paragraph = std::get_if<Paragraph>(&block))
            return WriteParagraph(*paragraph, error);
        if (const auto* table = std::get_if<Table>(&block)) {
            if (!WriteTable(*table, error))
                return false;
            ++row_;  // a blank row keeps the next table or text apart from this one
            return true;
        }
        InsertImage(std::get<Image>(block), std::get<Image>(block).box);
        return true;
    }

    bool WriteParagraph(const Paragraph& paragraph, std::string* error) {
        const std::string text = ParagraphText(paragraph);
        if (text.empty())
            return true;
        CellLook look = LookOf(&paragraph);
        const double first_width = column_points_.empty() ? 0 : column_points_.front();
        const bool long_text = paragraph.box.Width() > first_width + 1;
        look.wrap = long_text || paragraph.line_pitch > 0;
        lxw_format* format = formats_->Get(look);
        if (paragraph.box.Height() > kDefaultRowHeight)
            worksheet_set_row(sheet_, row_, RowHeight(paragraph.box.Height()), nullptr);
        const lxw_row_t row = row_++;
        if (long_text && column_points_.size() > 1)
            return Check(worksheet_merge_range(sheet_, row, 0, row, column_points_.size() - 1,
                                               text.c_str(), format),
                         error);
        return Check(worksheet_write_string(sheet_, row, 0, text.c_str(), format), error);
    }

    bool WriteTable(const Table& table, std::string* error) {
        const TableGrid grid(table, kMaxTableRows, kMaxTableColumns);
        const int heights = std::min<int>(grid.Rows(), table.row_heights.size());
        for (int r = 0; r < heights; ++r)
            worksheet_set_row(sheet_, row_ + r, RowHeight(table.row_heights[r]), nullptr);
        for (const TableGrid::Placed& placed : grid.Cells()) {
            if (!WriteCell(table.cells[placed.cell], placed, error))
                return false;
        }
        row_ += grid.Rows();
        return true;
    }

    bool WriteCell(const Cell& cell, const TableGrid::Placed& placed, std::string* error) {
        std::string text;
        for (const Paragraph& paragraph : cell.paragraphs)
            text += (text.empty() ? "" : "\n") + ParagraphText(paragraph);
        const CellValue value = ParseCellValue(text);
        CellLook look = LookOf(cell.paragraphs.empty() ? nullptr : &cell.paragraphs.front());
        look.table_cell = true;
        look.wrap = value.kind == CellValue::Kind::kText;
        look.borders = cell.borders;
        look.fill = cell.shading;
        look.number_format = value.number_format;
        lxw_format* format = formats_->Get(look);
        const lxw_row_t row = row_ + placed.row;
        const lxw_col_t column = placed.column;
        if (placed.last_row > placed.row || placed.last_column > placed.column) {
            const lxw_error merged = worksheet_merge_range(
                sheet_, row, column, row_ + placed.last_row, placed.last_column, "", format);
            if (!Check(merged, error))
                return false;
        }
        return Check(WriteValue(row, column, value, format), error);
    }

    lxw_error WriteValue(lxw_row_t row, lxw_col_t column, const CellValue& value,
                         lxw_format* format) {
        switch (value.kind) {
            case CellValue::Kind::kNumber:
            case CellValue::Kind::kDate:
                return worksheet_write_number(sheet_, row, column, value.number, format);
            case CellValue::Kind::kText:
                return worksheet_write_string(sheet_, row, column, value.text.c_str(), format);
            case CellValue::Kind::kEmpty:
                break;
        }
        return worksheet_write_blank(sheet_, row, column, format);
    }

    // Pictures float over the sheet from the next free row, and the rows they cover are left
    // empty. One that the library cannot read is left out: the rest of the page still counts.
    void InsertImage(const Image& image, const Rect& box) {
        const double width = box.Width();
        const double height = box.Height();
        const bool sized = std::isfinite(width) && std::isfinite(height);
        if (image.bytes.empty() || !sized || width <= 0 || height <= 0)
            return;
        constexpr double kPixelsPerPoint = 96.0 / 72.0;
        lxw_image_options options = {};
        if (image.pixel_width > 0 && image.pixel_height > 0) {
            options.x_scale = width * kPixelsPerPoint / image.pixel_width;
            options.y_scale = height * kPixelsPerPoint / image.pixel_height;
        }
        worksheet_insert_image_buffer_opt(sheet_, row_, 0, image.bytes.data(), image.bytes.size(),
                                          &options);
        constexpr double kMaxRows = 1000;
        row_ += static_cast<lxw_row_t>(
            std::max(1.0, std::ceil(std::min(height / kDefaultRowHeight, kMaxRows))));
    }

    lxw_worksheet* sheet_;
    ExcelFormats* formats_;
    const Page& page_;
    std::vector<double> column_points_;
    double text_width_ = 0;
    lxw_row_t row_ = 0;
};

}  // namespace

double ExcelColumnWidth(double points) {
    // A column's width counts the default font's digit (7 pixels at 96 dpi) plus 5 pixels of
    // padding; narrow columns scale the digit down to 12 pixels per character.
    const double pixels = std::max(0.0, points) * 96 / 72;
    const double width = pixels <= 12 ? pixels / 12 : (pixels - 5) / 7;
    return std::min(width, kMaxColumnWidth);
}

std::unique_ptr<ExcelWriter> ExcelWriter::Create(const std::filesystem::path& target,
                                                 std::string* error) {
    // Merged cells need the whole sheet at hand, so rows are not streamed; each sheet holds one
    // page.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(target.c_str(), &options);
    if (workbook == nullptr) {
        *error = "cannot create the workbook " + target.string();
        return nullptr;
    }
    return std::unique_ptr<ExcelWriter>(new ExcelWriter(workbook));
}

ExcelWriter::~ExcelWriter() {
    if (workbook_ != nullptr)
        lxw_workbook_free(workbook_);
}

std::string ExcelWriter::SheetName(int page_index) {
    const std::string base = "Page " + std::to_string(page_index + 1);
    std::string name = base;
    for (int copy = 2; sheet_names_.contains(name); ++copy)
        name = base + " (" + std::to_string(copy) + ")";
    sheet_names_.insert(name);
    return name;
}

bool ExcelWriter::AddPage(const Page& page, std::string* error) {
    if (workbook_ == nullptr) {
        *error = "the workbook is already finished";
        return false;
    }
    const std::string name = SheetName(page.index);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, name.c_str());
    if (sheet == nullptr) {
        *error = "cannot add the sheet " + name;
        return false;
    }
    return PageSheet(sheet, &formats_, page).Write(error);
}

bool ExcelWriter::Finish(std::string* error) {
    if (workbook_ == nullptr) {
        *error = "the workbook is already finished";
        return false;
    }
    // A workbook needs at least one sheet to open.
    if (sheet_names_.empty())
        workbook_add_worksheet(workbook_, nullptr);
    const lxw_error result = workbook_close(workbook_);
    workbook_ = nullptr;
    if (result != LXW_NO_ERROR) {
        *error = std::string("cannot write the workbook: ") + lxw_strerror(result);
        return false;
    }
    return true;
}

}  // namespace reconstruct
