#pragma once

#include <map>
#include <optional>
#include <string>

#include "reconstruct/LayoutModel.h"

struct lxw_workbook;
struct lxw_format;

namespace reconstruct {

// Everything a sheet cell shows besides its value.
struct CellLook {
    FontStyle font;
    bool underline = false;
    bool strike = false;
    VerticalShift shift = VerticalShift::kNone;
    Align align = Align::kLeft;
    bool wrap = false;
    bool table_cell = false;  // centred vertically, as table cells usually are
    CellBorders borders;
    std::optional<Rgb> fill;
    std::string number_format;
};

// The workbook's cell formats, one per distinct look: a document repeats a handful of looks in
// thousands of cells, and each format lives until the workbook is written.
class ExcelFormats {
public:
    explicit ExcelFormats(lxw_workbook* workbook) : workbook_(workbook) {}
    // Nullptr (the default look) once the workbook holds as many formats as a sheet allows.
    lxw_format* Get(const CellLook& look);

private:
    lxw_format* Make(const CellLook& look);

    lxw_workbook* workbook_;
    std::map<std::string, lxw_format*> cache_;
};

// The border style a rule of `points` width is shown with (an lxw_format_borders value).
int BorderStyleFor(double points);

}  // namespace reconstruct
