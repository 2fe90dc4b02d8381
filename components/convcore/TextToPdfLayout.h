#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace convcore {

class TaskContext;

// How text pages look. Sizes are in points.
struct TextPageStyle {
    double page_width = 595.276;  // A4 portrait
    double page_height = 841.89;
    double margin = 56.693;  // 2 cm on every side
    double font_size = 10.5;
    // Chinese text needs a CJK face, in TrueType form (TextToPdfFonts.h); its Latin glyphs
    // serve the rest, and fontconfig supplies another face for scripts it lacks.
    std::string font_family = "WenQuanYi Micro Hei";
};

enum class TextLayoutStatus { kWritten, kCancelled, kCannotWrite, kNoFonts };

struct TextLayoutResult {
    TextLayoutStatus status = TextLayoutStatus::kWritten;
    int pages = 0;
    std::string detail;  // why it could not be written or laid out
};

// Lays `text` ("\n" between lines, as DecodeTextFile gives it) out on pages of a new PDF at
// `file`: every line starts a new line of the page, long lines wrap at word boundaries or
// between any two characters when a word is wider than the page, and a new page starts when
// a line does not fit. Fonts are embedded as subsets with their Unicode mapping, so the text
// can be searched and copied. Empty text gives one empty page. Progress goes from 10 to 95 as
// the text is placed; a cancel is seen between pages and within long paragraphs, and leaves
// the unfinished file for the caller to remove.
TextLayoutResult WriteTextPdf(std::string_view text, const std::filesystem::path& file,
                              const std::string& title, const TextPageStyle& style,
                              TaskContext& context);

}  // namespace convcore
