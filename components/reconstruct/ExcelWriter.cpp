#include "reconstruct/ExcelWriter.h"

#include <sys/resource.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "reconstruct/CellValue.h"
#include "reconstruct/TableGrid.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

namespace fs = std::filesystem;

constexpr double kDefaultRowHeight = 15;  // points, the default font's row
constexpr double kMaxRowHeight = 409;
constexpr double kMaxColumnWidth = 255;  // characters
// A grid larger than any real page's table: hostile input stops here.
constexpr int kMaxTableRows = 2000;
constexpr int kMaxTableColumns = 200;
// Older spreadsheet programs refuse longer link targets; such links stay plain text.
constexpr std::size_t kMaxLinkLength = 255;

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

// The paragraphs of one cell, a line each.
std::string CellText(const std::vector<Paragraph>& paragraphs) {
    std::string text;
    for (const Paragraph& paragraph : paragraphs) {
        if (!text.empty())
            text += '\n';
        text += ParagraphText(paragraph);
    }
    return text;
}

CellLook RunLook(const TextRun& run) {
    CellLook look;
    look.font = run.font;
    look.font.pdf_name.clear();
    look.underline = run.underline;
    look.strike = run.strike;
    look.shift = run.shift;
    return look;
}

bool SameFont(const CellLook& a, const CellLook& b) {
    return a.font == b.font && a.underline == b.underline && a.strike == b.strike &&
           a.shift == b.shift;
}

// The look of text as its first run shows it: a cell has one font.
CellLook LookOf(const Paragraph* paragraph) {
    CellLook look;
    if (paragraph == nullptr)
        return look;
    if (!paragraph->runs.empty())
        look = RunLook(paragraph->runs.front());
    look.align = paragraph->align;
    return look;
}

double RowHeight(double points) {
    return points > 0 ? std::min(points, kMaxRowHeight) : kDefaultRowHeight;
}

// Only links a reader may follow safely become hyperlinks: scripts and local files do not.
bool IsOpenableLink(const std::string& link) {
    if (link.size() > kMaxLinkLength)
        return false;
    const bool control = std::any_of(link.begin(), link.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (control)
        return false;
    for (const char* scheme : {"http://", "https://", "mailto:"}) {
        if (link.size() > std::string_view(scheme).size() &&
            platform::StartsWithIgnoreAsciiCase(link, scheme))
            return true;
    }
    return false;
}

// The target when all of a cell's text is one openable link; empty otherwise.
std::string CellLink(const std::vector<Paragraph>& paragraphs) {
    if (paragraphs.size() != 1 || !paragraphs.front().list_marker.empty())
        return {};
    std::string link;
    for (const TextRun& run : paragraphs.front().runs) {
        if (run.text.empty())
            continue;
        if (run.link.empty() || (!link.empty() && run.link != link))
            return {};
        link = run.link;
    }
    return IsOpenableLink(link) ? link : std::string();
}

// A piece of rich text: its font format and its text.
struct Fragment {
    lxw_format* format = nullptr;
    std::string text;
};

// The cell's text in pieces of one look each; fewer than two pieces means the text has one look
// and needs no rich text.
std::vector<Fragment> RichFragments(const std::vector<Paragraph>& paragraphs,
                                    ExcelFormats* formats) {
    std::vector<std::pair<CellLook, std::string>> pieces;
    std::string pending;  // line break and list marker, shown in the look of the text after them
    for (const Paragraph& paragraph : paragraphs) {
        if (!pieces.empty() || !pending.empty())
            pending += '\n';
        if (!paragraph.list_marker.empty())
            pending += paragraph.list_marker + " ";
        for (const TextRun& run : paragraph.runs) {
            if (run.text.empty())
                continue;
            const CellLook look = RunLook(run);
            std::string text = std::move(pending) + run.text;
            pending.clear();
            if (!pieces.empty() && SameFont(pieces.back().first, look))
                pieces.back().second += text;
            else
                pieces.emplace_back(look, std::move(text));
        }
    }
    if (pieces.size() < 2)
        return {};
    pieces.back().second += pending;
    std::vector<Fragment> fragments;
    for (const auto& [look, text] : pieces)
        fragments.push_back({formats->Get(look), text});
    return fragments;
}

// One cell waiting for its row to be written.
struct PendingCell {
    lxw_row_t row = 0;
    lxw_col_t column = 0;
    lxw_format* format = nullptr;
    CellValue value;
    std::string link;                 // a hyperlink cell shows value.text
    std::vector<Fragment> fragments;  // rich text, when the text changes look
};

struct PendingMerge {
    lxw_row_t first_row = 0;
    lxw_col_t first_column = 0;
    lxw_row_t last_row = 0;
    lxw_col_t last_column = 0;
    lxw_format* format = nullptr;
};

// A sheet whose rows are streamed to disk: once a row is left it can no longer be written, so
// a page's cells are gathered first and written in row order by Flush.
class RowOrderedSheet {
public:
    explicit RowOrderedSheet(lxw_worksheet* sheet) : sheet_(sheet) {}

    void SetHeight(lxw_row_t row, double points) { heights_[row] = points; }
    void Add(PendingCell cell) { cells_.push_back(std::move(cell)); }

    // The covered cells keep the merge's format so that its borders and fill show throughout.
    void Merge(const PendingMerge& merge) {
        merges_.push_back(merge);
        for (lxw_row_t row = merge.first_row; row <= merge.last_row; ++row) {
            for (lxw_col_t column = merge.first_column; column <= merge.last_column; ++column) {
                if (row != merge.first_row || column != merge.first_column)
                    cells_.push_back({row, column, merge.format, {}, {}, {}});
            }
        }
    }

    bool Flush(std::string* error) {
        const auto by_position = [](const PendingCell& a, const PendingCell& b) {
            return std::tie(a.row, a.column) < std::tie(b.row, b.column);
        };
        // Stable: of two writes to one cell the later one wins, as it would unsorted.
        std::stable_sort(cells_.begin(), cells_.end(), by_position);
        std::stable_sort(merges_.begin(), merges_.end(),
                         [](const auto& a, const auto& b) { return a.last_row < b.last_row; });
        auto cell = cells_.begin();
        auto merge = merges_.begin();
        auto height = heights_.begin();
        while (cell != cells_.end() || merge != merges_.end() || height != heights_.end()) {
            lxw_row_t row = LXW_ROW_MAX;
            if (cell != cells_.end())
                row = std::min(row, cell->row);
            if (merge != merges_.end())
                row = std::min(row, merge->last_row);
            if (height != heights_.end())
                row = std::min(row, height->first);
            if (height != heights_.end() && height->first == row)
                worksheet_set_row(sheet_, row, (height++)->second, nullptr);
            // A merge is recorded from its last row: the library also writes the range's cells,
            // and those of the rows already left are dropped, which the pending cells make up.
            for (; merge != merges_.end() && merge->last_row == row; ++merge) {
                if (!Check(worksheet_merge_range(sheet_, merge->first_row, merge->first_column,
                                                 merge->last_row, merge->last_column, "",
                                                 merge->format),
                           error))
                    return false;
            }
            for (; cell != cells_.end() && cell->row == row; ++cell) {
                if (!Check(Write(*cell), error))
                    return false;
            }
        }
        return true;
    }

private:
    lxw_error Write(const PendingCell& cell) {
        if (cell.fragments.size() >= 2)
            return WriteRich(cell);
        if (!cell.link.empty()) {
            const lxw_error linked =
                worksheet_write_url_opt(sheet_, cell.row, cell.column, cell.link.c_str(),
                                        cell.format, cell.value.text.c_str(), nullptr);
            // Past the sheet's count of links the text stays, without its link.
            if (linked == LXW_NO_ERROR)
                return linked;
        }
        return WriteValue(cell);
    }

    lxw_error WriteRich(const PendingCell& cell) {
        std::vector<lxw_rich_string_tuple> tuples;
        for (const Fragment& fragment : cell.fragments)
            tuples.push_back({fragment.format, const_cast<char*>(fragment.text.c_str())});
        std::vector<lxw_rich_string_tuple*> pointers;
        for (lxw_rich_string_tuple& tuple : tuples)
            pointers.push_back(&tuple);
        pointers.push_back(nullptr);
        return worksheet_write_rich_string(sheet_, cell.row, cell.column, pointers.data(),
                                           cell.format);
    }

    lxw_error WriteValue(const PendingCell& cell) {
        const CellValue& value = cell.value;
        switch (value.kind) {
            case CellValue::Kind::kNumber:
            case CellValue::Kind::kDate:
                return worksheet_write_number(sheet_, cell.row, cell.column, value.number,
                                              cell.format);
            case CellValue::Kind::kText:
                return worksheet_write_string(sheet_, cell.row, cell.column, value.text.c_str(),
                                              cell.format);
            case CellValue::Kind::kEmpty:
                break;
        }
        return worksheet_write_blank(sheet_, cell.row, cell.column, cell.format);
    }

    lxw_worksheet* sheet_;
    std::map<lxw_row_t, double> heights_;
    std::vector<PendingCell> cells_;
    std::vector<PendingMerge> merges_;
};

// One page's sheet, laid out top to bottom: `row_` is the next free row.
class PageSheet {
public:
    PageSheet(lxw_worksheet* sheet, ExcelFormats* formats, const Page& page)
        : sheet_(sheet), rows_(sheet), formats_(formats), page_(page) {}

    bool Write(std::string* error) {
        PlanColumns();
        if (page_.page_image)
            InsertImage(*page_.page_image, {0, 0, page_.width, page_.height});
        for (const Region& region : page_.regions) {
            for (const Block& block : region.blocks)
                WriteBlock(block);
        }
        return rows_.Flush(error);
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

    void WriteBlock(const Block& block) {
        if (const auto* paragraph = std::get_if<Paragraph>(&block))
            return WriteParagraph(*paragraph);
        if (const auto* table = std::get_if<Table>(&block)) {
            WriteTable(*table);
            ++row_;  // a blank row keeps the next table or text apart from this one
            return;
        }
        InsertImage(std::get<Image>(block), std::get<Image>(block).box);
    }

    // A cell showing `paragraphs` as `value`: a link or rich text when the runs make one.
    PendingCell MakeCell(lxw_row_t row, lxw_col_t column, const std::vector<Paragraph>& paragraphs,
                         CellValue value, lxw_format* format) {
        PendingCell cell{row, column, format, std::move(value), {}, {}};
        if (cell.value.kind != CellValue::Kind::kText)
            return cell;
        cell.link = CellLink(paragraphs);
        if (!cell.link.empty())
            return cell;
        std::vector<Fragment> fragments = RichFragments(paragraphs, formats_);
        std::string joined;
        for (const Fragment& fragment : fragments)
            joined += fragment.text;
        // Text the value trimmed keeps one look rather than losing its pieces' boundaries.
        if (joined == cell.value.text)
            cell.fragments = std::move(fragments);
        return cell;
    }

    void WriteParagraph(const Paragraph& paragraph) {
        CellValue value;
        value.text = ParagraphText(paragraph);
        if (value.text.empty())
            return;
        value.kind = CellValue::Kind::kText;
        CellLook look = LookOf(&paragraph);
        const double first_width = column_points_.empty() ? 0 : column_points_.front();
        const bool long_text = paragraph.box.Width() > first_width + 1;
        look.wrap = long_text || paragraph.line_pitch > 0;
        lxw_format* format = formats_->Get(look);
        if (paragraph.box.Height() > kDefaultRowHeight)
            rows_.SetHeight(row_, RowHeight(paragraph.box.Height()));
        const lxw_row_t row = row_++;
        if (long_text && column_points_.size() > 1)
            rows_.Merge({row, 0, row, static_cast<lxw_col_t>(column_points_.size() - 1), format});
        rows_.Add(MakeCell(row, 0, {paragraph}, std::move(value), format));
    }

    void WriteTable(const Table& table) {
        const TableGrid grid(table, kMaxTableRows, kMaxTableColumns);
        const int heights = std::min<int>(grid.Rows(), table.row_heights.size());
        for (int r = 0; r < heights; ++r)
            rows_.SetHeight(row_ + r, RowHeight(table.row_heights[r]));
        for (const TableGrid::Placed& placed : grid.Cells())
            WriteCell(table.cells[placed.cell], placed);
        row_ += grid.Rows();
    }

    void WriteCell(const Cell& cell, const TableGrid::Placed& placed) {
        CellValue value = ParseCellValue(CellText(cell.paragraphs));
        CellLook look = LookOf(cell.paragraphs.empty() ? nullptr : &cell.paragraphs.front());
        look.table_cell = true;
        look.wrap = value.kind == CellValue::Kind::kText;
        look.borders = cell.borders;
        look.fill = cell.shading;
        look.number_format = value.number_format;
        lxw_format* format = formats_->Get(look);
        const lxw_row_t row = row_ + placed.row;
        const lxw_col_t column = placed.column;
        if (placed.last_row > placed.row || placed.last_column > placed.column)
            rows_.Merge({row, column, static_cast<lxw_row_t>(row_ + placed.last_row),
                         static_cast<lxw_col_t>(placed.last_column), format});
        rows_.Add(MakeCell(row, column, cell.paragraphs, std::move(value), format));
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
    RowOrderedSheet rows_;
    ExcelFormats* formats_;
    const Page& page_;
    std::vector<double> column_points_;
    double text_width_ = 0;
    lxw_row_t row_ = 0;
};

// A name beside `target` that no other writer of this process or another one picks.
fs::path WorkFileFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    return target.parent_path() /
           ("." + target.filename().string() + "." + std::to_string(getpid()) + "-" +
            std::to_string(counter++) + ".part");
}

// Each sheet keeps its streamed rows in an open temporary file until the workbook is written, so
// a document of a thousand pages would run out of the usual soft limit of open files: lift it
// to the hard limit, once.
void AllowOneOpenFilePerSheet() {
    static std::once_flag once;
    std::call_once(once, [] {
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

}  // namespace

double ExcelColumnWidth(double points) {
    // A column's width counts the default font's digit (7 pixels at 96 dpi) plus 5 pixels of
    // padding; narrow columns scale the digit down to 12 pixels per character.
    const double pixels = std::max(0.0, points) * 96 / 72;
    const double width = pixels <= 12 ? pixels / 12 : (pixels - 5) / 7;
    return std::min(width, kMaxColumnWidth);
}

ExcelWriter::ExcelWriter(fs::path target, std::string temp_folder)
    : target_(std::move(target)),
      work_file_(WorkFileFor(target_)),
      temp_folder_(std::move(temp_folder)) {}

std::unique_ptr<ExcelWriter> ExcelWriter::Create(const fs::path& target,
                                                 const fs::path& temp_folder, std::string* error) {
    AllowOneOpenFilePerSheet();
    std::unique_ptr<ExcelWriter> writer(new ExcelWriter(target, temp_folder.string()));
    // Rows are streamed to the temporary folder as each page is added; only the row being
    // written stays in memory.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = writer->temp_folder_.empty() ? nullptr : writer->temp_folder_.data();
    writer->workbook_ = workbook_new_opt(writer->work_file_.c_str(), &options);
    if (writer->workbook_ == nullptr) {
        *error = "cannot create the workbook " + target.string();
        return nullptr;
    }
    writer->formats_ = std::make_unique<ExcelFormats>(writer->workbook_);
    return writer;
}

std::unique_ptr<ExcelWriter> ExcelWriter::Create(const fs::path& target, std::string* error) {
    const std::optional<fs::path> folder = platform::PrivateFolder();
    if (!folder) {
        *error = "cannot make the private temporary folder for the workbook";
        return nullptr;
    }
    return Create(target, *folder, error);
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
    return PageSheet(sheet, formats_.get(), page).Write(error);
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
    std::error_code ignored;
    if (result != LXW_NO_ERROR) {
        fs::remove(work_file_, ignored);
        *error = std::string("cannot write the workbook: ") + lxw_strerror(result);
        return false;
    }
    std::error_code renamed;
    fs::rename(work_file_, target_, renamed);
    if (renamed) {
        fs::remove(work_file_, ignored);
        *error = "cannot write the workbook " + target_.string() + ": " + renamed.message();
        return false;
    }
    return true;
}

}  // namespace reconstruct
