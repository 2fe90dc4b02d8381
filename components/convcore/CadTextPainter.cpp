#include "convcore/CadTextPainter.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "convcore/TextToPdfFonts.h"

namespace convcore {
namespace {

// Texts are shaped at this size and scaled onto the page, so that tiny and huge texts shape
// alike and the font size never leaves pango's range.
constexpr double kLayoutEm = 10;
// Texts smaller than this on the page (em, in points) cannot be seen.
constexpr double kSmallestEm = 0.05;
// Wrapping widths beyond this many layout points (a thousand pages of text) mean no wrapping.
constexpr double kWidestWrap = 1e6;
constexpr char kFontFamily[] = "WenQuanYi Micro Hei";

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

double Points(int pango_units) {
    return static_cast<double>(pango_units) / PANGO_SCALE;
}

cairo_matrix_t CairoMatrix(const CadAffine& affine) {
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, affine.xx, affine.yx, affine.xy, affine.yy, affine.x0, affine.y0);
    return matrix;
}

PangoAlignment ParagraphAlignment(int attachment) {
    switch ((attachment - 1) % 3) {
        case 1:
            return PANGO_ALIGN_CENTER;
        case 2:
            return PANGO_ALIGN_RIGHT;
        default:
            return PANGO_ALIGN_LEFT;
    }
}

}  // namespace

struct CadTextPainter::Pango {
    std::unique_ptr<PangoFontMap, Unref> fonts;
    std::unique_ptr<PangoContext, Unref> context;
    std::unique_ptr<PangoLayout, Unref> layout;
};

std::unique_ptr<CadTextPainter> CadTextPainter::Create(cairo_t* cairo, std::string* error) {
    auto pango = std::make_unique<Pango>();
    pango->fonts.reset(NewFontMapWithoutCff(error));
    if (pango->fonts == nullptr)
        return nullptr;
    pango->context.reset(pango_font_map_create_context(pango->fonts.get()));
    PangoContext* context = pango->context.get();
    // Shaped for a PDF: one unit per point, no hinting towards a pixel grid.
    pango_cairo_context_set_resolution(context, 72.0);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
    pango_context_set_language(context, pango_language_from_string("zh-cn"));
    pango->layout.reset(pango_layout_new(context));
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamily);
    pango_font_description_set_size(font, static_cast<int>(kLayoutEm * PANGO_SCALE));
    pango_layout_set_font_description(pango->layout.get(), font);
    pango_font_description_free(font);
    return std::unique_ptr<CadTextPainter>(new CadTextPainter(cairo, std::move(pango)));
}

CadTextPainter::CadTextPainter(cairo_t* cairo, std::unique_ptr<Pango> pango)
    : cairo_(cairo), pango_(std::move(pango)) {}

CadTextPainter::~CadTextPainter() = default;

void CadTextPainter::Paint(const CadText& text, const CadAffine& to_page, std::uint32_t rgb) {
    const CadAffine to_text = to_page.After(TextPlacement(text));
    const double units_per_point = text.height * kEmPerTextHeight / kLayoutEm;
    if (!to_text.IsUsable() || kLayoutEm * units_per_point * to_text.MeanScale() < kSmallestEm)
        return;
    PangoLayout* layout = pango_->layout.get();
    const bool paragraph = text.kind == CadText::Kind::kParagraph;
    pango_layout_set_text(layout, text.text.data(), static_cast<int>(text.text.size()));
    double wrap = paragraph ? text.wrap_width / units_per_point : 0;
    if (!(wrap > 0 && wrap < kWidestWrap))
        wrap = 0;
    pango_layout_set_width(layout, wrap > 0 ? static_cast<int>(wrap * PANGO_SCALE) : -1);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout,
                               paragraph ? ParagraphAlignment(text.attachment) : PANGO_ALIGN_LEFT);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double width = Points(logical.width);
    const double height = Points(logical.height);
    const double baseline = Points(pango_layout_get_baseline(layout));
    const double capital = kLayoutEm / kEmPerTextHeight;

    double left = 0;
    double top = 0;
    double stretch = 1;
    if (paragraph) {
        const double box = wrap > 0 ? wrap : width;
        left = -box * ((text.attachment - 1) % 3) / 2;
        top = -height * ((text.attachment - 1) / 3) / 2;
    } else {
        const bool fitted = text.horizontal == 3 || text.horizontal == 5;
        const double run =
            std::hypot(text.fit_end.x - text.origin.x, text.fit_end.y - text.origin.y);
        if (fitted && run > 0 && width > 0)
            stretch = run / (width * units_per_point * text.width_factor);
        if (text.horizontal == 1 || text.horizontal == 4)
            left = -width / 2;
        else if (text.horizontal == 2)
            left = -width;
        top = -baseline;
        if (text.vertical == 1)
            top = -height;
        else if (text.vertical == 2 || text.horizontal == 4)
            top = -baseline + capital / 2;
        else if (text.vertical == 3)
            top = -baseline + capital;
    }
    // Layout units grow downwards; the drawing's grow upwards.
    const double scale_x = units_per_point * (paragraph ? 1 : text.width_factor * stretch);
    const CadAffine placement = to_text.After(CadAffine::Scale(scale_x, -units_per_point))
                                    .After(CadAffine::Translation(left, top));
    if (!placement.IsUsable())
        return;
    const cairo_matrix_t matrix = CairoMatrix(placement);
    cairo_set_matrix(cairo_, &matrix);
    cairo_set_source_rgb(cairo_, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
    cairo_move_to(cairo_, 0, 0);
    pango_cairo_show_layout(cairo_, layout);
}

}  // namespace convcore
