#pragma once

#include <string>
#include <string_view>

namespace reconstruct {

// What a table cell's text holds, typed the way a spreadsheet user expects: amounts and
// percentages as numbers with a format that shows them as printed, dates as dates, and
// everything a spreadsheet would mangle (codes with leading zeros, long identifiers, dates whose
// day and month could be swapped) as text.
struct CellValue {
    enum class Kind { kEmpty, kText, kNumber, kDate };
    Kind kind = Kind::kEmpty;
    std::string text;  // the cell's text without surrounding white space
    // The value: for a date the serial day number of the 1900 date system (1 = 1900-01-01,
    // counted as spreadsheets count it).
    double number = 0;
    // Excel format code that prints `number` as the PDF did ("#,##0.00", "0.0%", "yyyy-mm-dd");
    // empty for the general format.
    std::string number_format;
};

CellValue ParseCellValue(std::string_view text);

}  // namespace reconstruct
