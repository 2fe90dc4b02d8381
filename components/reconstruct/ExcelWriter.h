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
// below so that the sheet reads in the page's order. A cell that is one web or mail link becomes
// a hyperlink, and one whose text changes look part-way becomes rich text.
//
// Each sheet's rows go to a file in `temp_folder` as soon as its page is added, so memory stays
// bounded by the largest page, not the document. Nothing is written to `target` until Finish,
// and a failed Finish leaves nothing there.
class ExcelWriter {
public:
    static std::unique_ptr<ExcelWriter> Create(const std::filesystem::path& target,
                                               const std::filesystem::path& temp_folder,
                                               std::string* error);
    // The same with the per-user private folder for the sheets' rows.
    static std::unique_ptr<ExcelWriter> Create(const std::filesystem::path& target,
                                               std::string* error);
    bool AddPage(const Page& page, std::string* error);
    bool Finish(std::string* error);

    ~ExcelWriter();
    ExcelWriter(const ExcelWriter&) = delete;
    ExcelWriter& operator=(const ExcelWriter&) = delete;

private:
    ExcelWriter(std::filesystem::path target, std::string temp_folder);
    std::string SheetName(int page_index);

    std::filesystem::path target_;
    std::filesystem::path work_file_;  // beside the target, renamed to it by Finish
    std::string temp_folder_;          // the library keeps a pointer to it
    lxw_workbook* workbook_ = nullptr;
    std::unique_ptr<ExcelFormats> formats_;
    std::set<std::string> sheet_names_;
};

// Width of a sheet column, in the characters of the default font that the file stores, for a
// column `points` wide.
double ExcelColumnWidth(double points);

}  // namespace reconstruct
