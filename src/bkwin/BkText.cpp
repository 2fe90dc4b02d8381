#include "bkwin/BkText.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/Text.h"

namespace BkWin {
namespace {

struct LayoutRelease {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutRelease>;

// Wrapping and ellipsizing need a width; without one, lines are as long as their text.
Layout MakeLayout(cairo_t* cr, std::string_view text, const BkFont& font, unsigned mode, int width,
                  int height) {
    Layout layout(pango_cairo_create_layout(cr));
    PangoLayout* raw = layout.get();
    pango_layout_set_font_description(raw, font.description);
    if (font.underline) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(raw, attributes);
        pango_attr_list_unref(attributes);
    }
    const bool single_line = mode & kTextSingleLine;
    const bool wraps = (mode & kTextWordBreak) && !single_line;
    if ((wraps || (mode & kTextEndEllipsis)) && width > 0) {
        pango_layout_set_width(raw, width * PANGO_SCALE);
        pango_layout_set_wrap(raw, PANGO_WRAP_WORD_CHAR);
    }
    if (mode & kTextEndEllipsis) {
        pango_layout_set_ellipsize(raw, PANGO_ELLIPSIZE_END);
        // One line per paragraph unless wrapping, then as many lines as fit the height.
        if (!wraps || height <= 0)
            pango_layout_set_height(raw, -1);
        else
            pango_layout_set_height(raw, height * PANGO_SCALE);
    }
    if (mode & kTextCenter)
        pango_layout_set_alignment(raw, PANGO_ALIGN_CENTER);
    else if (mode & kTextRight)
        pango_layout_set_alignment(raw, PANGO_ALIGN_RIGHT);
    // Outside text may carry broken UTF-8, which pango would refuse as a whole.
    std::string shown = platform::IsValidUtf8(text)
                            ? std::string(text)
                            : platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
    // On one line, line breaks do not break and show nothing.
    if (single_line)
        std::erase_if(shown, [](char c) { return c == '\r' || c == '\n'; });
    pango_layout_set_text(raw, shown.data(), static_cast<int>(shown.size()));
    return layout;
}

// A context for measuring only: the same font options as drawing into an image surface.
cairo_t* MeasuringContext() {
    static cairo_t* context = [] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(surface);
        cairo_surface_destroy(surface);
        return cr;
    }();
    return context;
}

// Where the layout goes inside `available` pixels: at the start, the middle or the end.
int Offset(unsigned mode, unsigned centre, unsigned end, int available, int used) {
    if (mode & centre)
        return (available - used) / 2;
    if (mode & end)
        return available - used;
    return 0;
}

}  // namespace

platform::Size BkText::Measure(std::string_view text, const BkFont& font, unsigned mode,
                               int max_width) {
    if (font.description == nullptr)
        return {};
    const Layout layout = MakeLayout(MeasuringContext(), text, font,
                                     mode & (kTextSingleLine | kTextWordBreak), max_width, -1);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return {width, height};
}

void BkText::Draw(cairo_t* cr, std::string_view text, const platform::Rect& rect,
                  const BkFont& font, Colour colour, unsigned mode, int alpha) {
    if (font.description == nullptr || text.empty() || rect.IsEmpty() || alpha <= 0)
        return;
    const Layout layout = MakeLayout(cr, text, font, mode, rect.Width(), rect.Height());
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    // A layout with a width is already aligned inside it.
    const bool has_width = pango_layout_get_width(layout.get()) > 0;
    const int x =
        rect.left + (has_width ? 0 : Offset(mode, kTextCenter, kTextRight, rect.Width(), width));
    const int y = rect.top + Offset(mode, kTextVCenter, kTextBottom, rect.Height(), height);

    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr);
    cairo_set_source_rgba(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                          std::min(alpha, 255) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.get());
    cairo_restore(cr);
}

}  // namespace BkWin
