#include "reconstruct/GraphicsCapture.h"

#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "reconstruct/PathShapes.h"

namespace reconstruct {
namespace {

// Bounds that keep a page with a million paths from taking memory without end.
constexpr std::size_t kMaxRules = 20000;
constexpr std::size_t kMaxFills = 20000;
constexpr std::size_t kMaxImages = 300;
constexpr std::size_t kMaxGraphicBoxes = 4000;
constexpr std::size_t kMaxPathPoints = 20000;
constexpr std::size_t kMaxClipDepth = 1024;

constexpr double kThinSide = 2.5;       // points: thinner rectangles are rules
constexpr double kMinImageSide = 3;     // points: smaller images are dots
constexpr double kHairline = 0.5;       // points: what a zero-width stroke shows as
constexpr double kPageCoverage = 0.95;  // a fill this much of the page is its background

Rect ToRect(const fz_rect& r) {
    return {r.x0, r.y0, r.x1, r.y1};
}

std::uint8_t Channel(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
}

Rgb ToRgb(fz_context* ctx, fz_colorspace* space, const float* color, fz_color_params params) {
    if (space == nullptr || color == nullptr)
        return {};
    float rgb[3] = {0, 0, 0};
    fz_try(ctx) fz_convert_color(ctx, space, color, fz_device_rgb(ctx), rgb, nullptr, params);
    fz_catch(ctx) return {};
    return {Channel(rgb[0]), Channel(rgb[1]), Channel(rgb[2])};
}

bool IsWhite(const Rgb& color) {
    return color.r >= 250 && color.g >= 250 && color.b >= 250;
}

int GlyphCount(const fz_text* text) {
    int count = 0;
    for (const fz_text_span* span = text != nullptr ? text->head : nullptr; span != nullptr;
         span = span->next)
        count += span->len;
    return count;
}

// Path outline collection: points transformed to page space as they are walked.
struct OutlineWalk {
    PathOutline* outline;
    fz_matrix ctm;
    std::size_t points = 0;
};

void AddPoint(OutlineWalk* walk, float x, float y, bool start) {
    if (++walk->points > kMaxPathPoints) {
        walk->outline->curved = true;  // too detailed to be a rule: a drawing
        return;
    }
    const fz_point p = fz_transform_point_xy(x, y, walk->ctm);
    auto& subpaths = walk->outline->subpaths;
    if (start || subpaths.empty() || subpaths.back().closed) {
        PathOutline::Subpath next;
        if (!start && !subpaths.empty() && !subpaths.back().points.empty())
            next.points.push_back(subpaths.back().points.front());
        subpaths.push_back(std::move(next));
    }
    subpaths.back().points.push_back({p.x, p.y});
}

void WalkMove(fz_context*, void* arg, float x, float y) {
    AddPoint(static_cast<OutlineWalk*>(arg), x, y, true);
}

void WalkLine(fz_context*, void* arg, float x, float y) {
    AddPoint(static_cast<OutlineWalk*>(arg), x, y, false);
}

void WalkCurve(fz_context*, void* arg, float, float, float, float, float x3, float y3) {
    auto* walk = static_cast<OutlineWalk*>(arg);
    walk->outline->curved = true;
    AddPoint(walk, x3, y3, false);
}

void WalkClose(fz_context*, void* arg) {
    auto* walk = static_cast<OutlineWalk*>(arg);
    if (!walk->outline->subpaths.empty())
        walk->outline->subpaths.back().closed = true;
}

bool ReadOutline(fz_context* ctx, const fz_path* path, fz_matrix ctm, PathOutline* outline) {
    static const fz_path_walker kWalker = {WalkMove, WalkLine, WalkCurve, WalkClose,
                                           nullptr,  nullptr,  nullptr,   nullptr};
    OutlineWalk walk{outline, ctm};
    fz_try(ctx) fz_walk_path(ctx, path, &kWalker, &walk);
    fz_catch(ctx) return false;
    return true;
}

bool CopyBuffer(fz_context* ctx, fz_buffer* buffer, std::vector<unsigned char>* out) {
    unsigned char* data = nullptr;
    const std::size_t size = fz_buffer_storage(ctx, buffer, &data);
    if (data == nullptr || size == 0)
        return false;
    out->assign(data, data + size);
    return true;
}

// JPEG streams are kept byte for byte when a viewer decodes them to the same colours.
bool KeepJpeg(fz_context* ctx, fz_image* image, RawImage* out) {
    fz_compressed_buffer* compressed = fz_compressed_image_buffer(ctx, image);
    if (compressed == nullptr || compressed->params.type != FZ_IMAGE_JPEG)
        return false;
    if ((image->n != 1 && image->n != 3) || image->use_decode ||
        compressed->params.u.jpeg.color_transform == 0)
        return false;
    if (!CopyBuffer(ctx, compressed->buffer, &out->bytes))
        return false;
    out->mime = "image/jpeg";
    return true;
}

bool IsGrayOrRgb(fz_context* ctx, fz_colorspace* space) {
    if (space == nullptr)
        return false;
    const enum fz_colorspace_type type = fz_colorspace_type(ctx, space);
    return type == FZ_COLORSPACE_GRAY || type == FZ_COLORSPACE_RGB;
}

bool EncodePng(fz_context* ctx, fz_image* image, RawImage* out) {
    fz_pixmap* pixmap = nullptr;
    fz_pixmap* converted = nullptr;
    fz_buffer* png = nullptr;
    fz_var(pixmap);
    fz_var(converted);
    fz_var(png);
    fz_try(ctx) {
        pixmap = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
        if (!IsGrayOrRgb(ctx, pixmap->colorspace))
            converted = fz_convert_pixmap(ctx, pixmap, fz_device_rgb(ctx), nullptr, nullptr,
                                          fz_default_color_params, 1);
        png = fz_new_buffer_from_pixmap_as_png(ctx, converted != nullptr ? converted : pixmap,
                                               fz_default_color_params);
    }
    fz_always(ctx) {
        fz_drop_pixmap(ctx, converted);
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_catch(ctx) return false;
    const bool copied = CopyBuffer(ctx, png, &out->bytes);
    fz_drop_buffer(ctx, png);
    out->mime = "image/png";
    return copied;
}

// Receives the drawing calls of one page and sorts them into rules, fills, images and
// the bounds of everything else.
class Sorter {
public:
    Sorter(fz_context* ctx, const Rect& page, CapturedDrawing* out)
        : ctx_(ctx), page_(page), out_(out) {}

    void FillPath(const fz_path* path, fz_matrix ctm, const Rgb& color) {
        PathOutline outline;
        if (!ReadOutline(ctx_, path, ctm, &outline))
            return;
        const std::optional<std::vector<Rect>> rects = FilledRectangles(outline);
        if (!rects) {
            AddGraphic(fz_bound_path(ctx_, path, nullptr, ctm));
            return;
        }
        for (const Rect& rect : *rects)
            AddRect(rect, color);
    }

    void StrokePath(const fz_path* path, const fz_stroke_state* stroke, fz_matrix ctm,
                    const Rgb& color) {
        PathOutline outline;
        if (!ReadOutline(ctx_, path, ctm, &outline))
            return;
        const std::optional<std::vector<AxisSegment>> segments = AxisSegments(outline);
        if (!segments) {
            AddGraphic(fz_bound_path(ctx_, path, stroke, ctm));
            return;
        }
        double width = stroke != nullptr ? stroke->linewidth * fz_matrix_expansion(ctm) : 0;
        if (width <= 0)
            width = kHairline;
        for (const AxisSegment& segment : *segments)
            AddRect(SegmentBox(segment, width), color);
    }

    void Image(fz_image* image, fz_matrix ctm) {
        const Rect box = ToRect(fz_transform_rect(fz_unit_rect, ctm));
        if (box.Width() < kMinImageSide || box.Height() < kMinImageSide || !IsVisible(box))
            return;
        if (out_->images.size() >= kMaxImages)
            return;
        RawImage raw;
        if (!Encode(image, &raw))
            return;
        raw.box = box;
        out_->images.push_back(std::move(raw));
    }

    void AddGraphic(const fz_rect& bounds) {
        const Rect box = Visible(ToRect(bounds));
        if (box.IsEmpty())
            return;
        if (out_->graphics.size() >= kMaxGraphicBoxes) {
            out_->graphics.back() = out_->graphics.back().United(box);
            return;
        }
        out_->graphics.push_back(box);
    }

    void PushClip(const fz_rect& bounds) {
        if (clips_.size() >= kMaxClipDepth) {
            ++clip_overflow_;
            return;
        }
        clips_.push_back(ToRect(bounds).Intersected(Clip()));
    }

    void PopClip() {
        if (clip_overflow_ > 0)
            --clip_overflow_;
        else if (!clips_.empty())
            clips_.pop_back();
    }

    void CountText(const fz_text* text, bool visible) {
        (visible ? out_->visible_glyphs : out_->invisible_glyphs) += GlyphCount(text);
    }

    // Mask definitions and pattern cells are not drawn where they are defined.
    int hidden_depth = 0;

private:
    Rect Clip() const { return clips_.empty() ? page_ : clips_.back(); }

    Rect Visible(const Rect& box) const { return box.Intersected(Clip()).Intersected(page_); }

    bool IsVisible(const Rect& box) const { return !Visible(box).IsEmpty(); }

    static Rect SegmentBox(const AxisSegment& segment, double width) {
        const double half = width / 2;
        if (segment.horizontal) {
            const double y = (segment.from.y + segment.to.y) / 2;
            return {std::min(segment.from.x, segment.to.x), y - half,
                    std::max(segment.from.x, segment.to.x), y + half};
        }
        const double x = (segment.from.x + segment.to.x) / 2;
        return {x - half, std::min(segment.from.y, segment.to.y), x + half,
                std::max(segment.from.y, segment.to.y)};
    }

    void AddRect(const Rect& drawn, const Rgb& color) {
        const Rect box = Visible(drawn);
        if (box.IsEmpty())
            return;
        const double thin = std::min(box.Width(), box.Height());
        const double length = std::max(box.Width(), box.Height());
        if (thin <= kThinSide && length <= kThinSide)
            return;  // a dot
        if (thin <= kThinSide) {
            AddRule({box, box.Width() >= box.Height(), thin, color});
            return;
        }
        if (IsWhite(color) && box.Width() >= page_.Width() * kPageCoverage &&
            box.Height() >= page_.Height() * kPageCoverage)
            return;
        if (out_->fills.size() < kMaxFills)
            out_->fills.push_back({box, color});
    }

    void AddRule(const RawRule& rule) {
        if (out_->rules.size() < kMaxRules)
            out_->rules.push_back(rule);
    }

    bool Encode(fz_image* image, RawImage* raw) {
        const auto known = encoded_.find(image);
        if (known != encoded_.end()) {
            *raw = out_->images[known->second];
            return true;
        }
        if (!KeepJpeg(ctx_, image, raw) && !EncodePng(ctx_, image, raw))
            return false;
        raw->pixel_width = image->w;
        raw->pixel_height = image->h;
        encoded_[image] = out_->images.size();
        return true;
    }

    fz_context* ctx_;
    Rect page_;
    CapturedDrawing* out_;
    std::vector<Rect> clips_;
    int clip_overflow_ = 0;
    std::map<fz_image*, std::size_t> encoded_;  // images drawn more than once
};

struct CaptureDevice {
    fz_device super;
    Sorter* sorter;
};

Sorter& SorterOf(fz_device* device) {
    return *reinterpret_cast<CaptureDevice*>(device)->sorter;
}

// Device callbacks run inside MuPDF's C code: no C++ exception may leave them.
template <typename Work>
void Guarded(fz_device* device, Work&& work) {
    try {
        work(SorterOf(device));
    } catch (...) {
        SorterOf(device).hidden_depth = 1 << 20;  // stop collecting; the page is too much
    }
}

void OnFillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int, fz_matrix ctm,
                fz_colorspace* space, const float* color, float alpha, fz_color_params params) {
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0 && alpha > 0)
            sorter.FillPath(path, ctm, ToRgb(ctx, space, color, params));
    });
}

void OnStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                  const fz_stroke_state* stroke, fz_matrix ctm, fz_colorspace* space,
                  const float* color, float alpha, fz_color_params params) {
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0 && alpha > 0)
            sorter.StrokePath(path, stroke, ctm, ToRgb(ctx, space, color, params));
    });
}

void OnClipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int, fz_matrix ctm, fz_rect) {
    fz_rect bounds = fz_bound_path(ctx, path, nullptr, ctm);
    Guarded(dev, [&](Sorter& sorter) { sorter.PushClip(bounds); });
}

void OnClipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                      const fz_stroke_state* stroke, fz_matrix ctm, fz_rect) {
    fz_rect bounds = fz_bound_path(ctx, path, stroke, ctm);
    Guarded(dev, [&](Sorter& sorter) { sorter.PushClip(bounds); });
}

void OnFillText(fz_context*, fz_device* dev, const fz_text* text, fz_matrix, fz_colorspace*,
                const float*, float alpha, fz_color_params) {
    Guarded(dev, [&](Sorter& sorter) { sorter.CountText(text, alpha > 0); });
}

void OnStrokeText(fz_context*, fz_device* dev, const fz_text* text, const fz_stroke_state*,
                  fz_matrix, fz_colorspace*, const float*, float alpha, fz_color_params) {
    Guarded(dev, [&](Sorter& sorter) { sorter.CountText(text, alpha > 0); });
}

void OnClipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect) {
    fz_rect bounds = fz_bound_text(ctx, text, nullptr, ctm);
    Guarded(dev, [&](Sorter& sorter) { sorter.PushClip(bounds); });
}

void OnClipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text,
                      const fz_stroke_state* stroke, fz_matrix ctm, fz_rect) {
    fz_rect bounds = fz_bound_text(ctx, text, stroke, ctm);
    Guarded(dev, [&](Sorter& sorter) { sorter.PushClip(bounds); });
}

void OnIgnoreText(fz_context*, fz_device* dev, const fz_text* text, fz_matrix) {
    Guarded(dev, [&](Sorter& sorter) { sorter.CountText(text, false); });
}

void OnFillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha,
                 fz_color_params) {
    fz_rect bounds = fz_bound_shade(ctx, shade, ctm);
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0 && alpha > 0)
            sorter.AddGraphic(bounds);
    });
}

void OnFillImage(fz_context*, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
                 fz_color_params) {
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0 && alpha > 0)
            sorter.Image(image, ctm);
    });
}

// A stencil mask paints a shape in a colour: a drawing, not a picture.
void OnFillImageMask(fz_context*, fz_device* dev, fz_image*, fz_matrix ctm, fz_colorspace*,
                     const float*, float alpha, fz_color_params) {
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0 && alpha > 0)
            sorter.AddGraphic(fz_transform_rect(fz_unit_rect, ctm));
    });
}

void OnClipImageMask(fz_context*, fz_device* dev, fz_image*, fz_matrix ctm, fz_rect) {
    Guarded(dev, [&](Sorter& sorter) { sorter.PushClip(fz_transform_rect(fz_unit_rect, ctm)); });
}

void OnPopClip(fz_context*, fz_device* dev) {
    Guarded(dev, [&](Sorter& sorter) { sorter.PopClip(); });
}

// The mask's clip stays pushed until the pop that ends the masked content.
void OnBeginMask(fz_context*, fz_device* dev, fz_rect area, int, fz_colorspace*, const float*,
                 fz_color_params) {
    Guarded(dev, [&](Sorter& sorter) {
        sorter.PushClip(area);
        ++sorter.hidden_depth;
    });
}

void OnEndMask(fz_context*, fz_device* dev) {
    Guarded(dev, [&](Sorter& sorter) { --sorter.hidden_depth; });
}

// A pattern fill is one drawing over the area it fills, whatever its cell holds.
int OnBeginTile(fz_context*, fz_device* dev, fz_rect area, fz_rect, float, float, fz_matrix, int) {
    Guarded(dev, [&](Sorter& sorter) {
        if (sorter.hidden_depth == 0)
            sorter.AddGraphic(area);
        ++sorter.hidden_depth;
    });
    return 0;
}

void OnEndTile(fz_context*, fz_device* dev) {
    Guarded(dev, [&](Sorter& sorter) { --sorter.hidden_depth; });
}

fz_device* NewCaptureDevice(fz_context* ctx, Sorter* sorter) {
    auto* device = reinterpret_cast<CaptureDevice*>(
        fz_new_device_of_size(ctx, static_cast<int>(sizeof(CaptureDevice))));
    device->sorter = sorter;
    fz_device& calls = device->super;
    calls.fill_path = OnFillPath;
    calls.stroke_path = OnStrokePath;
    calls.clip_path = OnClipPath;
    calls.clip_stroke_path = OnClipStrokePath;
    calls.fill_text = OnFillText;
    calls.stroke_text = OnStrokeText;
    calls.clip_text = OnClipText;
    calls.clip_stroke_text = OnClipStrokeText;
    calls.ignore_text = OnIgnoreText;
    calls.fill_shade = OnFillShade;
    calls.fill_image = OnFillImage;
    calls.fill_image_mask = OnFillImageMask;
    calls.clip_image_mask = OnClipImageMask;
    calls.pop_clip = OnPopClip;
    calls.begin_mask = OnBeginMask;
    calls.end_mask = OnEndMask;
    calls.begin_tile = OnBeginTile;
    calls.end_tile = OnEndTile;
    return &device->super;
}

}  // namespace

bool CaptureDrawing(fz_context* context, fz_display_list* list, const Rect& page_box,
                    CapturedDrawing* out, std::string* error) {
    *out = CapturedDrawing{};
    Sorter sorter(context, page_box, out);
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(context) {
        device = NewCaptureDevice(context, &sorter);
        fz_run_display_list(context, list, device, fz_identity, fz_infinite_rect, nullptr);
        fz_close_device(context, device);
    }
    fz_always(context) fz_drop_device(context, device);
    fz_catch(context) {
        if (error != nullptr)
            *error = std::string("cannot read the page's drawing: ") + fz_caught_message(context);
        return false;
    }
    return true;
}

}  // namespace reconstruct
