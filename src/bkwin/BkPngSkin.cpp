#include "bkwin/BkPngSkin.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "bkwin/BkDpi.h"
#include "bkwin/BkPngPool.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

// "fliptype" values that mirror top to bottom or both ways; any other non-zero value mirrors
// left to right, as "flip" does.
constexpr int kFlipVertical = 6;
constexpr int kFlipBoth = 2;
// Geometry beyond any image the pool accepts is clamped, so scaling it cannot overflow.
constexpr int kMaxGeometry = 65535;

struct Span {
    double start = 0;
    double length = 0;
};

// A part of the image (whole source pixels) drawn into a part of the destination; with `tile`
// the part repeats across at `tile_scale` instead of stretching to the destination's width.
struct Part {
    int x = 0, y = 0, width = 0, height = 0;
    Span dest_x, dest_y;
    bool tile = false;
    double tile_scale = 1.0;
};

void DrawPart(cairo_t* cr, cairo_surface_t* image, const Part& part, double alpha) {
    if (part.width <= 0 || part.height <= 0 || part.dest_x.length <= 0 || part.dest_y.length <= 0)
        return;
    cairo_surface_t* piece =
        cairo_surface_create_for_rectangle(image, part.x, part.y, part.width, part.height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(piece);
    // Padding keeps the neighbouring parts from bleeding in when the piece is stretched.
    cairo_pattern_set_extend(pattern, part.tile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    const double scale_x = part.tile ? 1.0 / part.tile_scale : part.width / part.dest_x.length;
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, scale_x, part.height / part.dest_y.length);
    cairo_matrix_translate(&matrix, -part.dest_x.start, -part.dest_y.start);
    cairo_pattern_set_matrix(pattern, &matrix);

    cairo_save(cr);
    cairo_rectangle(cr, part.dest_x.start, part.dest_y.start, part.dest_x.length,
                    part.dest_y.length);
    cairo_clip(cr);
    cairo_set_source(cr, pattern);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(piece);
}

// Splits `length` into two margins and the middle; margins that do not fit shrink in
// proportion.
void SplitMargins(double length, double& first, double& last) {
    if (first + last <= length)
        return;
    const double total = first + last;
    first = total > 0 ? length * first / total : 0;
    last = length - first;
}

int ToPixels(int logical, float rate) {
    return static_cast<int>(std::lround(logical * rate));
}

cairo_surface_t* Mirror(cairo_surface_t* image, int axes) {
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    cairo_surface_t* mirrored = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(mirrored);
    const bool horizontal = axes & 1;
    const bool vertical = axes & 2;
    cairo_translate(cr, horizontal ? width : 0, vertical ? height : 0);
    cairo_scale(cr, horizontal ? -1 : 1, vertical ? -1 : 1);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return mirrored;
}

}  // namespace

bool CBkPngSkin::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    static const std::unordered_map<std::string_view, int CBkPngSkin::*> kIntegers{
        {"src", &CBkPngSkin::src_},
        {"subwidth", &CBkPngSkin::sub_width_},
        {"left", &CBkPngSkin::left_},
        {"top", &CBkPngSkin::top_},
        {"margin_left", &CBkPngSkin::margin_left_},
        {"margin_right", &CBkPngSkin::margin_right_},
        {"margin_top", &CBkPngSkin::margin_top_},
        {"margin_bottom", &CBkPngSkin::margin_bottom_},
        {"flip", &CBkPngSkin::flip_},
        {"fliptype", &CBkPngSkin::flip_type_},
    };
    if (const auto found = kIntegers.find(name); found != kIntegers.end()) {
        this->*(found->second) = std::clamp(platform::ParseIntLikeWtoi(value), 0, kMaxGeometry);
        return true;
    }
    if (name == "middle_tile") {
        middle_tile_ = platform::ParseIntLikeWtoi(value) != 0;
        return true;
    }
    // Accepted for the resources' sake; the drawing does not depend on it.
    if (name == "wantimgwidth")
        return true;
    return CBkSkinBase::SetAttribute(name, value, loading);
}

int CBkPngSkin::MirrorAxes() const {
    if (flip_type_ == kFlipVertical)
        return 2;
    if (flip_type_ == kFlipBoth)
        return 3;
    return flip_type_ != 0 || flip_ != 0 ? 1 : 0;
}

cairo_surface_t* CBkPngSkin::Source(float& rate) const {
    const BkPngPool::Image image = BkPngPool::Get(src_);
    rate = image.rate > 0 ? image.rate : 1.0f;
    const int axes = MirrorAxes();
    if (image.surface == nullptr || axes == 0)
        return image.surface;
    if (mirrored_from_.get() != image.surface) {
        mirrored_.reset(Mirror(image.surface, axes));
        mirrored_from_.reset(cairo_surface_reference(image.surface));
    }
    return mirrored_.get();
}

platform::Size CBkPngSkin::GetSkinSize() const {
    float rate = 1.0f;
    cairo_surface_t* image = Source(rate);
    if (image == nullptr)
        return {};
    const int width = static_cast<int>(cairo_image_surface_get_width(image) / rate);
    const int height = static_cast<int>(cairo_image_surface_get_height(image) / rate);
    if (sub_width_ > 0)
        return {sub_width_, height};
    return {std::max(0, width - left_), std::max(0, height - top_)};
}

void CBkPngSkin::Draw(cairo_t* cr, const platform::Rect& rect, int state, bool dpi,
                      int alpha) const {
    float image_rate = 1.0f;
    cairo_surface_t* image = Source(image_rate);
    if (image == nullptr || alpha <= 0 || rect.IsEmpty())
        return;
    const double opacity = std::min(alpha, 255) / 255.0;
    const float draw_rate = BkDpi::DrawRate(dpi);
    if (sub_width_ > 0)
        DrawState(cr, image, image_rate, draw_rate, rect, state, opacity);
    else
        DrawFrame(cr, image, image_rate, draw_rate, rect, opacity);
}

void CBkPngSkin::DrawState(cairo_t* cr, cairo_surface_t* image, float image_rate, float draw_rate,
                           const platform::Rect& rect, int state, double alpha) const {
    const int image_width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const double scale = draw_rate / image_rate;
    const int piece_width = std::max(1, ToPixels(sub_width_, image_rate));
    const int count = std::max(1, image_width / piece_width);
    const int index = ((state % count) + count) % count;
    const Part part{index * piece_width,
                    0,
                    std::min(piece_width, image_width),
                    height,
                    {static_cast<double>(rect.left), std::round(piece_width * scale)},
                    {static_cast<double>(rect.top), std::round(height * scale)}};
    DrawPart(cr, image, part, alpha);
}

void CBkPngSkin::DrawFrame(cairo_t* cr, cairo_surface_t* image, float image_rate, float draw_rate,
                           const platform::Rect& rect, double alpha) const {
    const int image_width = cairo_image_surface_get_width(image);
    const int image_height = cairo_image_surface_get_height(image);
    const int x0 = std::min(image_width, ToPixels(left_, image_rate));
    const int y0 = std::min(image_height, ToPixels(top_, image_rate));

    // Source cuts in whole pixels, destination cuts at the drawing rate.
    double src_left = ToPixels(margin_left_, image_rate);
    double src_right = ToPixels(margin_right_, image_rate);
    double src_top = ToPixels(margin_top_, image_rate);
    double src_bottom = ToPixels(margin_bottom_, image_rate);
    SplitMargins(image_width - x0, src_left, src_right);
    SplitMargins(image_height - y0, src_top, src_bottom);
    double dst_left = std::round(margin_left_ * draw_rate);
    double dst_right = std::round(margin_right_ * draw_rate);
    double dst_top = std::round(margin_top_ * draw_rate);
    double dst_bottom = std::round(margin_bottom_ * draw_rate);
    SplitMargins(rect.Width(), dst_left, dst_right);
    SplitMargins(rect.Height(), dst_top, dst_bottom);

    const int src_cols[4] = {x0, x0 + static_cast<int>(src_left),
                             image_width - static_cast<int>(src_right), image_width};
    const int src_rows[4] = {y0, y0 + static_cast<int>(src_top),
                             image_height - static_cast<int>(src_bottom), image_height};
    const double dst_cols[4] = {double(rect.left), rect.left + dst_left, rect.right - dst_right,
                                double(rect.right)};
    const double dst_rows[4] = {double(rect.top), rect.top + dst_top, rect.bottom - dst_bottom,
                                double(rect.bottom)};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const Part part{src_cols[col],
                            src_rows[row],
                            src_cols[col + 1] - src_cols[col],
                            src_rows[row + 1] - src_rows[row],
                            {dst_cols[col], dst_cols[col + 1] - dst_cols[col]},
                            {dst_rows[row], dst_rows[row + 1] - dst_rows[row]},
                            middle_tile_ && col == 1,
                            draw_rate / image_rate};
            DrawPart(cr, image, part, alpha);
        }
    }
}

}  // namespace BkWin
