#pragma once

#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "reconstruct/ExcelFormats.h"
#include "reconstruct/LayoutModel.h"

struct lxw_workbook;

namespace reconstruct {

// Writes pages as a workbook, one sheet per page ("Page 1", ...): tables become cells with
// typed values, merges, borders and fills; the text around them goes into the rows above and
// below so that the sheet reads in the page's order. Nothing is written to `target` until
// Finish.
class ExcelWriter {
public:
    static std::unique_ptr<ExcelWriter> Create(const std::filesystem::path& target,
                                               std::string* error);
    bool AddPage(const Page& page, std::string* error);
    bool Finish(std::string* error);

    ~ExcelWriter();
    ExcelWriter(const ExcelWriter&) = delete;
    ExcelWriter& operator=(const ExcelWriter&) = delete;

private:
    explicit ExcelWriter(lxw_workbook* workbook) : workbook_(workbook), formats_(workbook) {}
    std::string SheetName(int page_index);

    lxw_workbook* workbook_;
    ExcelFormats formats_;
    std::set<std::string> sheet_names_;
};

// Width of a sheet column, in the characters of the default font that the file stores, for a
// column `points` wide.
double ExcelColumnWidth(double points);

}  // namespace reconstruct
