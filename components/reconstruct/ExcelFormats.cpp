#include "reconstruct/ExcelFormats.h"

#include <xlsxwriter.h>

namespace reconstruct {
namespace {

// Excel refuses workbooks with more cell formats than this.
constexpr std::size_t kMaxFormats = 60000;

lxw_color_t ColorOf(Rgb color) {
    const lxw_color_t value = (color.r << 16) | (color.g << 8) | color.b;
    // Zero means "no colour" to the library.
    return value == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : value;
}

std::string KeyOf(const CellLook& look) {
    const auto color = [](Rgb c) {
        return std::to_string(c.r) + "." + std::to_string(c.g) + "." + std::to_string(c.b);
    };
    const CellBorders& b = look.borders;
    std::string key = look.font.family + '|' + std::to_string(look.font.size) + '|' +
                      std::to_string(look.font.bold) + std::to_string(look.font.italic) +
                      std::to_string(look.underline) + std::to_string(look.strike) +
                      std::to_string(static_cast<int>(look.shift)) +
                      std::to_string(static_cast<int>(look.align)) + std::to_string(look.wrap) +
                      std::to_string(look.table_cell) + '|' + color(look.font.color) + '|';
    for (double width : {b.top, b.bottom, b.left, b.right})
        key += std::to_string(BorderStyleFor(width));
    key += '|' + color(b.color) + '|' + (look.fill ? color(*look.fill) : "-");
    return key + '|' + look.number_format;
}

uint8_t AlignmentOf(Align align) {
    switch (align) {
        case Align::kCenter:
            return LXW_ALIGN_CENTER;
        case Align::kRight:
            return LXW_ALIGN_RIGHT;
        case Align::kJustify:
            return LXW_ALIGN_JUSTIFY;
        case Align::kLeft:
            break;
    }
    return LXW_ALIGN_LEFT;
}

void SetFont(const CellLook& look, lxw_format* format) {
    if (!look.font.family.empty())
        format_set_font_name(format, look.font.family.c_str());
    if (look.font.size > 0)
        format_set_font_size(format, std::min(look.font.size, 409.0));
    if (look.font.bold)
        format_set_bold(format);
    if (look.font.italic)
        format_set_italic(format);
    if (look.underline)
        format_set_underline(format, LXW_UNDERLINE_SINGLE);
    if (look.strike)
        format_set_font_strikeout(format);
    if (look.shift != VerticalShift::kNone)
        format_set_font_script(format, look.shift == VerticalShift::kSuperscript
                                           ? LXW_FONT_SUPERSCRIPT
                                           : LXW_FONT_SUBSCRIPT);
    if (look.font.color != Rgb{})
        format_set_font_color(format, ColorOf(look.font.color));
}

void SetBorders(const CellBorders& borders, lxw_format* format) {
    format_set_top(format, BorderStyleFor(borders.top));
    format_set_bottom(format, BorderStyleFor(borders.bottom));
    format_set_left(format, BorderStyleFor(borders.left));
    format_set_right(format, BorderStyleFor(borders.right));
    if (borders.top + borders.bottom + borders.left + borders.right > 0)
        format_set_border_color(format, ColorOf(borders.color));
}

}  // namespace

int BorderStyleFor(double points) {
    if (!(points > 0))
        return LXW_BORDER_NONE;
    if (points <= 1.0)
        return LXW_BORDER_THIN;
    return points <= 2.0 ? LXW_BORDER_MEDIUM : LXW_BORDER_THICK;
}

lxw_format* ExcelFormats::Get(const CellLook& look) {
    const std::string key = KeyOf(look);
    if (const auto found = cache_.find(key); found != cache_.end())
        return found->second;
    if (cache_.size() >= kMaxFormats)
        return nullptr;
    lxw_format* format = Make(look);
    cache_.emplace(key, format);
    return format;
}

lxw_format* ExcelFormats::Make(const CellLook& look) {
    lxw_format* format = workbook_add_format(workbook_);
    if (format == nullptr)
        return nullptr;
    SetFont(look, format);
    format_set_align(format, AlignmentOf(look.align));
    if (look.table_cell)
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (look.wrap)
        format_set_text_wrap(format);
    SetBorders(look.borders, format);
    if (look.fill) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, ColorOf(*look.fill));
    }
    if (!look.number_format.empty())
        format_set_num_format(format, look.number_format.c_str());
    return format;
}

}  // namespace reconstruct
