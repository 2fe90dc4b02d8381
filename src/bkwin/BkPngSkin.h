#pragma once

#include <memory>
#include <string_view>

#include "bkwin/BkSkin.h"

namespace BkWin {

// A skin cut from one PNG resource: either a horizontal strip of equally wide states
// ("subwidth"), or a frame whose corners and edges ("margin_*") keep their size while the
// middle stretches (or repeats across with "middle_tile").
class CBkPngSkin : public CBkSkinBase {
public:
    static constexpr std::string_view kTag = "png";

    std::string_view GetObjectClass() const override { return kTag; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

    platform::Size GetSkinSize() const override;
    void Draw(cairo_t* cr, const platform::Rect& rect, int state, bool dpi,
              int alpha = 255) const override;

private:
    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    };
    using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

    // The image to cut from, mirrored when asked for, and the rate it was drawn for.
    cairo_surface_t* Source(float& rate) const;
    void DrawState(cairo_t* cr, cairo_surface_t* image, float image_rate, float draw_rate,
                   const platform::Rect& rect, int state, double alpha) const;
    void DrawFrame(cairo_t* cr, cairo_surface_t* image, float image_rate, float draw_rate,
                   const platform::Rect& rect, double alpha) const;
    // 0 none, 1 left-right, 2 top-bottom, 3 both.
    int MirrorAxes() const;

    int src_ = 0;
    int sub_width_ = 0;
    int left_ = 0;
    int top_ = 0;
    int margin_left_ = 0;
    int margin_right_ = 0;
    int margin_top_ = 0;
    int margin_bottom_ = 0;
    bool middle_tile_ = false;
    int flip_ = 0;
    int flip_type_ = 0;

    // The mirrored copy and the pool image it was made from (held, so that its address cannot
    // be reused after the pool is cleared). UI thread only.
    mutable Surface mirrored_;
    mutable Surface mirrored_from_;
};

}  // namespace BkWin
