#include "reconstruct/GraphicsRender.h"

#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>

namespace reconstruct {
namespace {

constexpr double kMaxPixels = 16e6;  // per region: 4000 x 4000

double Gap(const Rect& a, const Rect& b) {
    const double dx = std::max({0.0, a.x0 - b.x1, b.x0 - a.x1});
    const double dy = std::max({0.0, a.y0 - b.y1, b.y0 - a.y1});
    return std::max(dx, dy);
}

double Area(const Rect& r) {
    return r.Width() * r.Height();
}

// Unites regions that have come near each other until none do.
void MergeNear(std::vector<Rect>* regions, double gap) {
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t i = 0; i < regions->size(); ++i) {
            for (std::size_t j = i + 1; j < regions->size(); ++j) {
                if (Gap((*regions)[i], (*regions)[j]) > gap)
                    continue;
                (*regions)[i] = (*regions)[i].United((*regions)[j]);
                regions->erase(regions->begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
                --j;
            }
        }
    }
}

void MergeSmallest(std::vector<Rect>* regions) {
    const auto smallest =
        std::min_element(regions->begin(), regions->end(),
                         [](const Rect& a, const Rect& b) { return Area(a) < Area(b); });
    const Rect small = *smallest;
    regions->erase(smallest);
    const auto nearest = std::min_element(
        regions->begin(), regions->end(),
        [&](const Rect& a, const Rect& b) { return Gap(a, small) < Gap(b, small); });
    *nearest = nearest->United(small);
}

// Forwards what draws shapes to the target and drops text and pictures, except inside mask
// definitions and pattern cells, where they shape what is drawn.
struct ShapesOnlyDevice {
    fz_device super;
    fz_device* target;
    int inner_depth;
};

ShapesOnlyDevice& Of(fz_device* dev) {
    return *reinterpret_cast<ShapesOnlyDevice*>(dev);
}

void FillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int even_odd, fz_matrix ctm,
              fz_colorspace* space, const float* color, float alpha, fz_color_params params) {
    fz_fill_path(ctx, Of(dev).target, path, even_odd, ctm, space, color, alpha, params);
}

void StrokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* space, const float* color, float alpha,
                fz_color_params params) {
    fz_stroke_path(ctx, Of(dev).target, path, stroke, ctm, space, color, alpha, params);
}

void ClipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int even_odd, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_path(ctx, Of(dev).target, path, even_odd, ctm, scissor);
}

void ClipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_path(ctx, Of(dev).target, path, stroke, ctm, scissor);
}

void FillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_colorspace* space, const float* color, float alpha, fz_color_params params) {
    if (Of(dev).inner_depth > 0)
        fz_fill_text(ctx, Of(dev).target, text, ctm, space, color, alpha, params);
}

void StrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* space, const float* color, float alpha,
                fz_color_params params) {
    if (Of(dev).inner_depth > 0)
        fz_stroke_text(ctx, Of(dev).target, text, stroke, ctm, space, color, alpha, params);
}

void ClipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_text(ctx, Of(dev).target, text, ctm, scissor);
}

void ClipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_text(ctx, Of(dev).target, text, stroke, ctm, scissor);
}

void FillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha,
               fz_color_params params) {
    fz_fill_shade(ctx, Of(dev).target, shade, ctm, alpha, params);
}

void FillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
               fz_color_params params) {
    if (Of(dev).inner_depth > 0)
        fz_fill_image(ctx, Of(dev).target, image, ctm, alpha, params);
}

void FillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_colorspace* space, const float* color, float alpha, fz_color_params params) {
    fz_fill_image_mask(ctx, Of(dev).target, image, ctm, space, color, alpha, params);
}

void ClipImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_rect scissor) {
    fz_clip_image_mask(ctx, Of(dev).target, image, ctm, scissor);
}

void PopClip(fz_context* ctx, fz_device* dev) {
    fz_pop_clip(ctx, Of(dev).target);
}

void BeginMask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity, fz_colorspace* space,
               const float* backdrop, fz_color_params params) {
    fz_begin_mask(ctx, Of(dev).target, area, luminosity, space, backdrop, params);
    ++Of(dev).inner_depth;
}

void EndMask(fz_context* ctx, fz_device* dev) {
    --Of(dev).inner_depth;
    fz_end_mask(ctx, Of(dev).target);
}

void BeginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* space, int isolated,
                int knockout, int blend, float alpha) {
    fz_begin_group(ctx, Of(dev).target, area, space, isolated, knockout, blend, alpha);
}

void EndGroup(fz_context* ctx, fz_device* dev) {
    fz_end_group(ctx, Of(dev).target);
}

int BeginTile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep, float ystep,
              fz_matrix ctm, int id) {
    const int cached = fz_begin_tile_id(ctx, Of(dev).target, area, view, xstep, ystep, ctm, id);
    ++Of(dev).inner_depth;
    return cached;
}

void EndTile(fz_context* ctx, fz_device* dev) {
    --Of(dev).inner_depth;
    fz_end_tile(ctx, Of(dev).target);
}

fz_device* NewShapesOnlyDevice(fz_context* ctx, fz_device* target) {
    auto* device = reinterpret_cast<ShapesOnlyDevice*>(
        fz_new_device_of_size(ctx, static_cast<int>(sizeof(ShapesOnlyDevice))));
    device->target = target;
    device->inner_depth = 0;
    fz_device& calls = device->super;
    calls.fill_path = FillPath;
    calls.stroke_path = StrokePath;
    calls.clip_path = ClipPath;
    calls.clip_stroke_path = ClipStrokePath;
    calls.fill_text = FillText;
    calls.stroke_text = StrokeText;
    calls.clip_text = ClipText;
    calls.clip_stroke_text = ClipStrokeText;
    calls.fill_shade = FillShade;
    calls.fill_image = FillImage;
    calls.fill_image_mask = FillImageMask;
    calls.clip_image_mask = ClipImageMask;
    calls.pop_clip = PopClip;
    calls.begin_mask = BeginMask;
    calls.end_mask = EndMask;
    calls.begin_group = BeginGroup;
    calls.end_group = EndGroup;
    calls.begin_tile = BeginTile;
    calls.end_tile = EndTile;
    return &device->super;
}

double ScaleFor(const Rect& region, int dpi) {
    const double scale = std::max(dpi, 1) / 72.0;
    const double pixels = region.Width() * region.Height() * scale * scale;
    return pixels <= kMaxPixels ? scale : scale * std::sqrt(kMaxPixels / pixels);
}

bool RenderRegion(fz_context* ctx, fz_display_list* list, const Rect& region, int dpi,
                  RawGraphic* out, std::string* error) {
    const fz_matrix scale = fz_scale(static_cast<float>(ScaleFor(region, dpi)),
                                     static_cast<float>(ScaleFor(region, dpi)));
    const fz_rect area = fz_transform_rect(
        fz_make_rect(static_cast<float>(region.x0), static_cast<float>(region.y0),
                     static_cast<float>(region.x1), static_cast<float>(region.y1)),
        scale);
    fz_pixmap* pixmap = nullptr;
    fz_device* draw = nullptr;
    fz_device* shapes = nullptr;
    fz_buffer* png = nullptr;
    fz_var(pixmap);
    fz_var(draw);
    fz_var(shapes);
    fz_var(png);
    fz_try(ctx) {
        pixmap = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx), fz_round_rect(area), nullptr, 1);
        fz_clear_pixmap(ctx, pixmap);
        draw = fz_new_draw_device(ctx, fz_identity, pixmap);
        shapes = NewShapesOnlyDevice(ctx, draw);
        fz_run_display_list(ctx, list, shapes, scale, area, nullptr);
        fz_close_device(ctx, shapes);
        fz_close_device(ctx, draw);
        png = fz_new_buffer_from_pixmap_as_png(ctx, pixmap, fz_default_color_params);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, shapes);
        fz_drop_device(ctx, draw);
    }
    fz_catch(ctx) {
        fz_drop_pixmap(ctx, pixmap);
        *error = std::string("cannot render a drawing: ") + fz_caught_message(ctx);
        return false;
    }
    out->box = region;
    out->pixel_width = fz_pixmap_width(ctx, pixmap);
    out->pixel_height = fz_pixmap_height(ctx, pixmap);
    fz_drop_pixmap(ctx, pixmap);
    unsigned char* data = nullptr;
    const std::size_t size = fz_buffer_storage(ctx, png, &data);
    out->png.assign(data, data + size);
    fz_drop_buffer(ctx, png);
    return true;
}

}  // namespace

std::vector<Rect> GroupGraphicRegions(const std::vector<Rect>& boxes, double gap,
                                      std::size_t max_regions) {
    std::vector<Rect> regions;
    for (const Rect& box : boxes) {
        if (box.IsEmpty())
            continue;
        const auto near = std::find_if(regions.begin(), regions.end(),
                                       [&](const Rect& r) { return Gap(r, box) <= gap; });
        if (near != regions.end())
            *near = near->United(box);
        else
            regions.push_back(box);
    }
    MergeNear(&regions, gap);
    if (regions.size() <= std::max<std::size_t>(max_regions, 1))
        return regions;
    while (regions.size() > std::max<std::size_t>(max_regions, 1))
        MergeSmallest(&regions);
    MergeNear(&regions, gap);
    return regions;
}

bool RenderGraphics(fz_context* context, fz_display_list* list, const std::vector<Rect>& regions,
                    int dpi, const std::function<bool()>& cancelled, std::vector<RawGraphic>* out,
                    std::string* error) {
    for (const Rect& region : regions) {
        if (cancelled && cancelled()) {
            *error = "cancelled";
            return false;
        }
        RawGraphic graphic;
        if (!RenderRegion(context, list, region, dpi, &graphic, error))
            return false;
        out->push_back(std::move(graphic));
    }
    return true;
}

}  // namespace reconstruct
