#include "convcore/WatermarkArtwork.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <numbers>

#include "convcore/PictureCodec.h"
#include "convcore/PictureJpeg.h"
#include "convcore/PicturePageLayout.h"
#include "convcore/TextToPdfFonts.h"
#include "platform/AtomicFile.h"

namespace convcore {
namespace {

constexpr double kInchesPerMetre = 39.37007874;
// Larger pictures are scaled down first: more pixels than this add size, not detail.
constexpr int kLargestPictureSide = 4096;
constexpr std::size_t kLargestJpegBytes = std::size_t{64} << 20;

// Pango's default font map is one per thread, and every task runs on a thread of its own: a
// preview core would open and measure its fonts again for every change the user makes. This
// map and its context are made for the first text and live as long as the process; pango
// objects are not thread-safe, so `mutex` is held while any of them is used.
struct SharedFonts {
    std::mutex mutex;
    PangoFontMap* map = nullptr;      // never released; guarded by `mutex`
    PangoContext* context = nullptr;  // of `map`; never released; guarded by `mutex`
};

SharedFonts& Fonts() {
    static SharedFonts fonts;
    return fonts;
}

// The context text is laid out in, ready for drawing on `cairo`. Call with the fonts' mutex
// held.
PangoContext* TextContext(cairo_t* cairo) {
    SharedFonts& fonts = Fonts();
    if (fonts.context == nullptr) {
        // Chinese faces in CFF form crash cairo's PDF subsetter; the TrueType ones are used.
        std::string error;
        fonts.map = NewFontMapWithoutCff(&error);
        if (fonts.map == nullptr)
            fonts.map = pango_cairo_font_map_new();
        fonts.context = pango_font_map_create_context(fonts.map);
        // Hinting would snap glyphs to a device grid; a PDF has none.
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        pango_cairo_context_set_font_options(fonts.context, options);
        cairo_font_options_destroy(options);
        // Han characters shared by several languages take their simplified Chinese forms.
        pango_context_set_language(fonts.context, pango_language_from_string("zh-cn"));
    }
    pango_cairo_update_context(cairo, fonts.context);
    return fonts.context;
}

// The dialog's own face first, for systems that have it, then free faces that cover Chinese
// in the same style.
const char* FamiliesOf(WatermarkFont font) {
    switch (font) {
        case WatermarkFont::kKai:
            return "楷体,AR PL UKai CN,AR PL KaitiM GB,WenQuanYi Micro Hei,serif";
        case WatermarkFont::kYaHei:
            return "微软雅黑,WenQuanYi Micro Hei,sans-serif";
        case WatermarkFont::kArial:
            return "Arial,Liberation Sans,Nimbus Sans,DejaVu Sans,WenQuanYi Micro Hei,sans-serif";
        case WatermarkFont::kSong:
            break;
    }
    return "宋体,AR PL UMing CN,WenQuanYi Micro Hei,serif";
}

template <typename T, void (*Release)(T*)>
struct Releaser {
    void operator()(T* object) const { Release(object); }
};
using CairoPtr = std::unique_ptr<cairo_t, Releaser<cairo_t, cairo_destroy>>;
using SurfacePtr =
    std::unique_ptr<cairo_surface_t, Releaser<cairo_surface_t, cairo_surface_destroy>>;
using FontDescriptionPtr =
    std::unique_ptr<PangoFontDescription,
                    Releaser<PangoFontDescription, pango_font_description_free>>;

void ReleaseGObject(void* object) {
    g_object_unref(object);
}
using LayoutPtr = std::unique_ptr<PangoLayout, Releaser<void, ReleaseGObject>>;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void DeleteBytes(void* bytes) {
    delete static_cast<std::string*>(bytes);
}

// Text measured for one drawing on `cairo`. Call with the fonts' mutex held.
LayoutPtr LayOutText(cairo_t* cairo, const WatermarkOptions& options) {
    LayoutPtr layout(pango_layout_new(TextContext(cairo)));
    FontDescriptionPtr font(pango_font_description_new());
    pango_font_description_set_family(font.get(), FamiliesOf(options.font));
    pango_font_description_set_absolute_size(font.get(), options.font_size * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    pango_layout_set_text(layout.get(), options.text.c_str(), -1);
    return layout;
}

PangoRectangle LogicalExtent(PangoLayout* layout) {
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    return logical;
}

// True when every pixel of a 32-bit FreeImage bitmap is opaque.
bool Opaque(FIBITMAP* bitmap, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x) {
            if (row[4 * x + FI_RGBA_ALPHA] != 255)
                return false;
        }
    }
    return true;
}

// The bitmap as a cairo surface: premultiplied, top row first.
SurfacePtr ToSurface(FIBITMAP* bitmap) {
    const int width = static_cast<int>(FreeImage_GetWidth(bitmap));
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    const bool opaque = Opaque(bitmap, width, height);
    SurfacePtr surface(cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                  width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const BYTE* source = FreeImage_GetScanLine(bitmap, height - 1 - y);
        auto* target =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const BYTE* pixel = source + 4 * x;
            const unsigned alpha = pixel[FI_RGBA_ALPHA];
            const auto premultiplied = [alpha](unsigned value) {
                return (value * alpha + 127) / 255;
            };
            target[x] = alpha << 24 | premultiplied(pixel[FI_RGBA_RED]) << 16 |
                        premultiplied(pixel[FI_RGBA_GREEN]) << 8 |
                        premultiplied(pixel[FI_RGBA_BLUE]);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// A plain JPEG goes into the PDF as its own bytes: smaller, and no second lossy pass.
void AttachJpegBytes(cairo_surface_t* surface, const std::filesystem::path& file) {
    JpegFacts facts;
    if (PictureFormatOf(file) != FIF_JPEG || !ReadJpegFacts(file, &facts) || !facts.embeddable ||
        facts.orientation != 1 || (facts.components != 1 && facts.components != 3))
        return;
    platform::ReadResult read = platform::ReadFileBounded(file, kLargestJpegBytes);
    if (read.status != platform::ReadStatus::Ok)
        return;
    auto* bytes = new std::string(std::move(read.bytes));
    if (cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG,
                                    reinterpret_cast<const unsigned char*>(bytes->data()),
                                    bytes->size(), DeleteBytes, bytes) != CAIRO_STATUS_SUCCESS)
        delete bytes;
}

// Draws `draw` (which paints a `mark` sized box from its origin) at each centre, turned.
template <typename Draw>
void DrawEach(cairo_t* cairo, const MarkPlacement& placement, Draw&& draw) {
    const double angle = placement.rotation * std::numbers::pi / 180;
    for (const MarkCentre& centre : PlaceMarks(placement)) {
        cairo_save(cairo);
        cairo_translate(cairo, centre.x, centre.y);
        // Cairo turns from x towards y, which points down: clockwise as the page is seen.
        cairo_rotate(cairo, -angle);
        cairo_translate(cairo, -placement.mark.width / 2, -placement.mark.height / 2);
        draw();
        cairo_restore(cairo);
    }
}

MarkPlacement PlacementFor(const WatermarkOptions& options, MarkSize page, MarkSize mark) {
    return {page, mark, options.rotation, options.vertical, options.horizontal, options.tiled};
}

}  // namespace

std::unique_ptr<WatermarkArtwork> WatermarkArtwork::Prepare(const WatermarkOptions& options,
                                                            std::string* error) {
    std::unique_ptr<WatermarkArtwork> artwork(new WatermarkArtwork(options));
    if (options.kind == WatermarkKind::kPicture && !artwork->LoadPicture(error))
        return nullptr;
    return artwork;
}

WatermarkArtwork::~WatermarkArtwork() {
    cairo_surface_destroy(picture_);
}

bool WatermarkArtwork::LoadPicture(std::string* error) {
    const Bitmap loaded = convcore::LoadPicture(options_.picture, Orientation::kUpright, error);
    if (!loaded) {
        *error = "the watermark picture cannot be used: " + *error;
        return false;
    }
    const int width = static_cast<int>(FreeImage_GetWidth(loaded.get()));
    const int height = static_cast<int>(FreeImage_GetHeight(loaded.get()));
    const PicturePlacement own =
        PlacePicture({width, height, FreeImage_GetDotsPerMeterX(loaded.get()) / kInchesPerMetre,
                      FreeImage_GetDotsPerMeterY(loaded.get()) / kInchesPerMetre, 1},
                     PageOptions{});
    picture_own_size_ = {own.page_width, own.page_height};

    Bitmap pixels(FreeImage_ConvertTo32Bits(loaded.get()));
    const int longest = std::max(width, height);
    const bool shrunk = pixels && longest > kLargestPictureSide;
    if (shrunk) {
        const double scale = static_cast<double>(kLargestPictureSide) / longest;
        const int new_width = std::max(1, static_cast<int>(width * scale));
        const int new_height = std::max(1, static_cast<int>(height * scale));
        pixels.reset(FreeImage_Rescale(pixels.get(), new_width, new_height, FILTER_BILINEAR));
    }
    SurfacePtr surface = pixels ? ToSurface(pixels.get()) : nullptr;
    if (!surface) {
        *error = "not enough memory for the watermark picture " + options_.picture.string();
        return false;
    }
    if (!shrunk)
        AttachJpegBytes(surface.get(), options_.picture);
    picture_ = surface.release();
    return true;
}

MarkSize WatermarkArtwork::PictureSize(MarkSize page) const {
    if (options_.picture_own_size)
        return picture_own_size_;
    const double width = page.width * options_.picture_share;
    return {width, width * picture_own_size_.height / picture_own_size_.width};
}

void WatermarkArtwork::DrawPictures(cairo_t* cairo, MarkSize page) const {
    const MarkSize mark = PictureSize(page);
    const double pixels_wide = cairo_image_surface_get_width(picture_);
    const double pixels_high = cairo_image_surface_get_height(picture_);
    DrawEach(cairo, PlacementFor(options_, page, mark), [&] {
        cairo_scale(cairo, mark.width / pixels_wide, mark.height / pixels_high);
        cairo_set_source_surface(cairo, picture_, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
        cairo_paint_with_alpha(cairo, options_.opacity);
    });
}

void WatermarkArtwork::DrawTexts(cairo_t* cairo, MarkSize page) const {
    std::lock_guard lock(Fonts().mutex);
    const LayoutPtr layout = LayOutText(cairo, options_);
    const PangoRectangle logical = LogicalExtent(layout.get());
    const MarkSize mark{static_cast<double>(logical.width) / PANGO_SCALE,
                        static_cast<double>(logical.height) / PANGO_SCALE};
    const Rgba& colour = options_.colour;
    DrawEach(cairo, PlacementFor(options_, page, mark), [&] {
        cairo_set_source_rgba(cairo, colour.red, colour.green, colour.blue,
                              colour.alpha * options_.opacity);
        cairo_move_to(cairo, -static_cast<double>(logical.x) / PANGO_SCALE,
                      -static_cast<double>(logical.y) / PANGO_SCALE);
        pango_cairo_show_layout(cairo, layout.get());
    });
}

bool WatermarkArtwork::DrawPage(MarkSize page, std::string* pdf, std::string* error) const {
    pdf->clear();
    SurfacePtr surface(
        cairo_pdf_surface_create_for_stream(AppendBytes, pdf, page.width, page.height));
    CairoPtr cairo(cairo_create(surface.get()));
    if (options_.kind == WatermarkKind::kPicture)
        DrawPictures(cairo.get(), page);
    else
        DrawTexts(cairo.get(), page);
    cairo.reset();
    // Writes the PDF, with the subsets of the fonts the text used.
    cairo_surface_finish(surface.get());
    const cairo_status_t status = cairo_surface_status(surface.get());
    if (status != CAIRO_STATUS_SUCCESS) {
        *error = std::string("cannot draw the watermark: ") + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace convcore
