#include "convcore/TextToPdfLayout.h"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <memory>
#include <optional>

#include "convcore/TaskContext.h"
#include "convcore/TextToPdfFonts.h"

namespace convcore {
namespace {

// A paragraph is shaped this many bytes at a time, so that a file that is one huge line
// neither builds one giant layout nor goes unchecked for a cancel.
constexpr std::size_t kChunkBytes = 16 * 1024;
constexpr int kProgressFrom = 10;
constexpr int kProgressTo = 95;

template <typename T, void (*Free)(T*)>
struct FreeWith {
    void operator()(T* object) const { Free(object); }
};
struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

using SurfacePtr =
    std::unique_ptr<cairo_surface_t, FreeWith<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, FreeWith<cairo_t, cairo_destroy>>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t,
                                       FreeWith<cairo_font_options_t, cairo_font_options_destroy>>;
using FontDescriptionPtr =
    std::unique_ptr<PangoFontDescription,
                    FreeWith<PangoFontDescription, pango_font_description_free>>;
using LayoutIterPtr =
    std::unique_ptr<PangoLayoutIter, FreeWith<PangoLayoutIter, pango_layout_iter_free>>;
using FontMapPtr = std::unique_ptr<PangoFontMap, Unref>;
using PangoContextPtr = std::unique_ptr<PangoContext, Unref>;
using LayoutPtr = std::unique_ptr<PangoLayout, Unref>;

double Points(int pango_units) {
    return static_cast<double>(pango_units) / PANGO_SCALE;
}

// The longest prefix of `text` of at most kChunkBytes that does not cut a character.
std::string_view Chunk(std::string_view text) {
    if (text.size() <= kChunkBytes)
        return text;
    std::size_t end = kChunkBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// A layout that shapes text the way a PDF needs it: one unit per point and no hinting, which
// would round glyph positions to a screen's pixel grid.
LayoutPtr MakeLayout(PangoContext* context, const TextPageStyle& style) {
    pango_cairo_context_set_resolution(context, 72.0);
    FontOptionsPtr options(cairo_font_options_create());
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options.get());
    pango_context_set_round_glyph_positions(context, FALSE);
    // Han characters shared by Chinese and Japanese take their simplified Chinese forms.
    pango_context_set_language(context, pango_language_from_string("zh-cn"));

    LayoutPtr layout(pango_layout_new(context));
    FontDescriptionPtr font(pango_font_description_new());
    pango_font_description_set_family(font.get(), style.font_family.c_str());
    pango_font_description_set_size(font.get(),
                                    static_cast<int>(style.font_size * PANGO_SCALE + 0.5));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_width(layout.get(),
                           static_cast<int>((style.page_width - 2 * style.margin) * PANGO_SCALE));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    return layout;
}

// Places the lines of the text one below the other and turns pages. Lines are drawn as soon
// as they are shaped, so memory does not grow with the document.
class PageFiller {
public:
    PageFiller(cairo_t* cairo, PangoLayout* layout, const TextPageStyle& style,
               std::size_t total_bytes, TaskContext& context)
        : cairo_(cairo),
          layout_(layout),
          style_(style),
          total_bytes_(total_bytes),
          context_(context),
          cursor_(style.margin) {}

    // False when the task was cancelled.
    bool AddParagraph(std::string_view paragraph) {
        std::size_t offset = 0;
        do {
            const std::string_view chunk = Chunk(paragraph.substr(offset));
            const bool whole_rest = offset + chunk.size() == paragraph.size();
            pango_layout_set_text(layout_, chunk.data(), static_cast<int>(chunk.size()));
            const std::optional<std::size_t> drawn = DrawLines(!whole_rest, chunk.size());
            if (!drawn)
                return false;
            offset += *drawn;
            done_bytes_ += *drawn;
        } while (offset < paragraph.size());
        ++done_bytes_;  // the line break
        return !context_.IsCancelled();
    }

    // Shows the last page, even an empty one.
    int Finish() {
        cairo_show_page(cairo_);
        return pages_shown_ + 1;
    }

private:
    // Draws the lines of the current layout; with `hold_last` the last line is left for the
    // next chunk, which continues from its start, so that chunk ends never force a break.
    // The number of bytes drawn; nullopt when cancelled.
    std::optional<std::size_t> DrawLines(bool hold_last, std::size_t chunk_bytes) {
        LayoutIterPtr line_iter(pango_layout_get_iter(layout_));
        do {
            PangoLayoutLine* line = pango_layout_iter_get_line_readonly(line_iter.get());
            if (hold_last && pango_layout_iter_at_last_line(line_iter.get()) &&
                line->start_index > 0)
                return static_cast<std::size_t>(line->start_index);
            PangoRectangle logical;
            pango_layout_iter_get_line_extents(line_iter.get(), nullptr, &logical);
            if (!PlaceLine(line, logical, pango_layout_iter_get_baseline(line_iter.get())))
                return std::nullopt;
        } while (pango_layout_iter_next_line(line_iter.get()));
        return chunk_bytes;
    }

    bool PlaceLine(PangoLayoutLine* line, const PangoRectangle& logical, int baseline) {
        const double height = Points(logical.height);
        const bool page_has_lines = cursor_ > style_.margin;
        if (page_has_lines && cursor_ + height > style_.page_height - style_.margin && !NextPage())
            return false;
        cairo_move_to(cairo_, style_.margin + Points(logical.x),
                      cursor_ + Points(baseline - logical.y));
        pango_cairo_show_layout_line(cairo_, line);
        cursor_ += height;
        return true;
    }

    bool NextPage() {
        cairo_show_page(cairo_);
        ++pages_shown_;
        cursor_ = style_.margin;
        const double share = total_bytes_ == 0 ? 1.0
                                               : static_cast<double>(done_bytes_) /
                                                     static_cast<double>(total_bytes_);
        context_.SetProgress(
            kProgressFrom + static_cast<int>((kProgressTo - kProgressFrom) * std::min(share, 1.0)));
        return !context_.IsCancelled();
    }

    cairo_t* cairo_;
    PangoLayout* layout_;
    const TextPageStyle& style_;
    const std::size_t total_bytes_;
    TaskContext& context_;
    double cursor_;  // top of the next line on the page
    int pages_shown_ = 0;
    std::size_t done_bytes_ = 0;
};

TextLayoutResult Failed(TextLayoutStatus status, std::string detail = {}) {
    return TextLayoutResult{status, 0, std::move(detail)};
}

std::string CairoFailure(const std::filesystem::path& file, cairo_status_t status) {
    return file.string() + ": " + cairo_status_to_string(status);
}

// False when the task was cancelled.
bool FillPages(std::string_view text, PageFiller& filler) {
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (!filler.AddParagraph(text.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

TextLayoutResult WriteTextPdf(std::string_view text, const std::filesystem::path& file,
                              const std::string& title, const TextPageStyle& style,
                              TaskContext& context) {
    // A font map of the task's own: the shared default one belongs to whichever thread made it.
    std::string font_error;
    const FontMapPtr fonts(NewFontMapWithoutCff(&font_error));
    if (fonts == nullptr)
        return Failed(TextLayoutStatus::kNoFonts, font_error);
    const SurfacePtr surface(
        cairo_pdf_surface_create(file.c_str(), style.page_width, style.page_height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Failed(TextLayoutStatus::kCannotWrite,
                      CairoFailure(file, cairo_surface_status(surface.get())));
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Quire");
    const CairoPtr cairo(cairo_create(surface.get()));
    const PangoContextPtr pango(pango_font_map_create_context(fonts.get()));
    const LayoutPtr layout = MakeLayout(pango.get(), style);

    PageFiller filler(cairo.get(), layout.get(), style, text.size(), context);
    if (!FillPages(text, filler))
        return Failed(TextLayoutStatus::kCancelled);
    const int pages = filler.Finish();
    cairo_surface_finish(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Failed(TextLayoutStatus::kCannotWrite,
                      CairoFailure(file, cairo_surface_status(surface.get())));
    context.SetProgress(kProgressTo);
    return TextLayoutResult{TextLayoutStatus::kWritten, pages, {}};
}

}  // namespace convcore
