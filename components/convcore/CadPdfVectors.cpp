#include "convcore/CadPdfVectors.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "platform/Utf8Append.h"

namespace convcore {
namespace {

constexpr int kMaxCurvePieces = 1000;
// Glyph runs break where the next glyph leaves the baseline by this share of the font size,
// steps back by more than this, or jumps ahead by more than this; a smaller jump is a space.
constexpr double kOffBaseline = 0.3;
constexpr double kStepBack = 0.5;
constexpr double kJumpAhead = 3.0;
constexpr double kSpaceGap = 0.25;
constexpr double kSizeChange = 0.2;

CadPoint Transformed(float x, float y, fz_matrix ctm) {
    const fz_point point = fz_transform_point(fz_make_point(x, y), ctm);
    return {point.x, point.y};
}

// MuPDF reports failures by a long jump: these helpers hold no C++ objects it could skip.
std::uint32_t ToRgb(fz_context* context, fz_colorspace* space, const float* colour,
                    fz_color_params params) {
    float rgb[3] = {0, 0, 0};
    if (space != nullptr && colour != nullptr) {
        fz_try(context) {
            fz_convert_color(context, space, colour, fz_device_rgb(context), rgb, nullptr, params);
        }
        fz_catch(context) {
            rgb[0] = rgb[1] = rgb[2] = 0;
        }
    }
    std::uint32_t packed = 0;
    for (const float channel : rgb)
        packed = (packed << 8) |
                 static_cast<std::uint32_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255));
    return packed;
}

float Advance(fz_context* context, fz_font* font, int glyph, int vertical) {
    float advance = 0;
    fz_var(advance);
    fz_try(context) {
        advance = fz_advance_glyph(context, font, glyph, vertical);
    }
    fz_catch(context) {
        advance = 0;
    }
    return advance;
}

// Control characters and code points that are not characters are left out of DXF text.
void AppendUtf8(std::string* out, int code) {
    if (code < 0x20 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return;
    platform::AppendUtf8(static_cast<char32_t>(code), out);
}

// Gathers what one page draws and hands it on. Its methods run inside MuPDF's interpreter,
// on the task's thread; a C++ failure is caught at the device's edge and stops the page.
class VectorCollector {
public:
    VectorCollector(fz_cookie* cookie, PageVectorSink& sink, std::size_t* budget)
        : cookie_(cookie), sink_(sink), budget_(budget) {}

    template <typename Work>
    void Guarded(Work&& work) {
        if (stopped_)
            return;
        try {
            work();
        } catch (...) {
            Stop(&failed_);
        }
    }

    void AddPath(fz_context* context, const fz_path* path, fz_matrix ctm, bool filled, double width,
                 std::uint32_t rgb);
    void AddText(fz_context* context, const fz_text* text, fz_matrix ctm, std::uint32_t rgb);

    void MoveTo(CadPoint point) {
        EndPiece();
        piece_.points.push_back(point);
        start_ = point;
    }
    void LineTo(CadPoint point) {
        if (piece_.points.empty())
            piece_.points.push_back(start_);  // drawing on after a close
        piece_.points.push_back(point);
    }
    void CurveTo(CadPoint c1, CadPoint c2, CadPoint end);
    void Close() {
        piece_.closed = true;
        EndPiece();
    }

    fz_matrix ctm{};  // of the path being walked
    bool Failed() const { return failed_; }
    bool TooLarge() const { return too_large_; }

private:
    void Stop(bool* reason) {
        *reason = true;
        stopped_ = true;
        // The cancel watcher writes the same flag from its thread.
        std::atomic_ref<int>(cookie_->abort).store(1);
    }
    bool Spend(std::size_t points) {
        if (points > *budget_) {
            Stop(&too_large_);
            return false;
        }
        *budget_ -= points;
        return true;
    }
    void EndPiece();
    void FlushRun();
    void ContinueRun(const fz_text_span& span, const fz_text_item& item, fz_matrix glyph,
                     fz_context* context);

    fz_cookie* cookie_;
    PageVectorSink& sink_;
    std::size_t* budget_;
    bool stopped_ = false;
    bool failed_ = false;
    bool too_large_ = false;
    PageVectorPath path_;     // the path being walked
    PageVectorPiece piece_;   // its piece being walked
    CadPoint start_;          // where that piece began
    PageVectorText run_;      // the glyph run being gathered
    CadPoint next_glyph_;     // where the run's next glyph would stand
    CadPoint run_direction_;  // unit vector along the run's baseline
};

void VectorCollector::CurveTo(CadPoint c1, CadPoint c2, CadPoint end) {
    const CadPoint from = piece_.points.empty() ? start_ : piece_.points.back();
    if (piece_.points.empty())
        piece_.points.push_back(from);
    // Uniform steps keep a cubic within tolerance when 3/4 of its largest second difference
    // over the square of the steps is below it.
    const double second = std::max(std::hypot(from.x - 2 * c1.x + c2.x, from.y - 2 * c1.y + c2.y),
                                   std::hypot(c1.x - 2 * c2.x + end.x, c1.y - 2 * c2.y + end.y));
    const int pieces =
        std::clamp(static_cast<int>(std::ceil(std::sqrt(0.75 * second / kCurveTolerance))), 1,
                   kMaxCurvePieces);
    for (int i = 1; i <= pieces; ++i) {
        const double t = static_cast<double>(i) / pieces;
        const double u = 1 - t;
        const double a = u * u * u;
        const double b = 3 * u * u * t;
        const double c = 3 * u * t * t;
        const double d = t * t * t;
        piece_.points.push_back({a * from.x + b * c1.x + c * c2.x + d * end.x,
                                 a * from.y + b * c1.y + c * c2.y + d * end.y});
    }
}

void VectorCollector::EndPiece() {
    std::vector<CadPoint>& points = piece_.points;
    if (piece_.closed && points.size() > 2 && points.front().x == points.back().x &&
        points.front().y == points.back().y)
        points.pop_back();
    if (points.size() >= 2 && Spend(points.size()))
        path_.pieces.push_back(std::move(piece_));
    piece_ = PageVectorPiece{};
}

void WalkMove(fz_context*, void* arg, float x, float y) {
    auto* collector = static_cast<VectorCollector*>(arg);
    collector->Guarded([&] { collector->MoveTo(Transformed(x, y, collector->ctm)); });
}

void WalkLine(fz_context*, void* arg, float x, float y) {
    auto* collector = static_cast<VectorCollector*>(arg);
    collector->Guarded([&] { collector->LineTo(Transformed(x, y, collector->ctm)); });
}

void WalkCurve(fz_context*, void* arg, float x1, float y1, float x2, float y2, float x3, float y3) {
    auto* collector = static_cast<VectorCollector*>(arg);
    collector->Guarded([&] {
        const fz_matrix ctm = collector->ctm;
        collector->CurveTo(Transformed(x1, y1, ctm), Transformed(x2, y2, ctm),
                           Transformed(x3, y3, ctm));
    });
}

void WalkClose(fz_context*, void* arg) {
    auto* collector = static_cast<VectorCollector*>(arg);
    collector->Guarded([&] { collector->Close(); });
}

const fz_path_walker kPathWalker = {WalkMove, WalkLine, WalkCurve, WalkClose,
                                    nullptr,  nullptr,  nullptr,   nullptr};

void VectorCollector::AddPath(fz_context* context, const fz_path* path, fz_matrix path_ctm,
                              bool filled, double width, std::uint32_t rgb) {
    ctm = path_ctm;
    path_ = PageVectorPath{{}, filled, width, rgb};
    fz_walk_path(context, path, &kPathWalker, this);
    EndPiece();
    if (!path_.pieces.empty() && !stopped_)
        sink_.Path(path_);
}

void VectorCollector::FlushRun() {
    const std::size_t end = run_.text.find_last_not_of(' ');
    if (end != std::string::npos && Spend(1 + end)) {
        run_.text.resize(end + 1);
        sink_.Text(run_);
    }
    run_.text.clear();
}

void VectorCollector::ContinueRun(const fz_text_span& span, const fz_text_item& item,
                                  fz_matrix glyph, fz_context* context) {
    const CadPoint at{glyph.e, glyph.f};
    const double size = std::hypot(glyph.c, glyph.d);
    if (!run_.text.empty()) {
        const double dx = at.x - next_glyph_.x;
        const double dy = at.y - next_glyph_.y;
        const double along = dx * run_direction_.x + dy * run_direction_.y;
        const double across = -dx * run_direction_.y + dy * run_direction_.x;
        const bool same_line = std::fabs(across) <= kOffBaseline * run_.size &&
                               along >= -kStepBack * run_.size && along <= kJumpAhead * run_.size &&
                               std::fabs(size - run_.size) <= kSizeChange * run_.size;
        if (!same_line)
            FlushRun();
        else if (along > kSpaceGap * run_.size && run_.text.back() != ' ')
            run_.text.push_back(' ');
    }
    const double length = std::hypot(glyph.a, glyph.b);
    if (run_.text.empty()) {
        run_.origin = at;
        run_.size = size;
        // The page grows downwards; the reader's counter-clockwise turns the other way.
        run_.rotation = std::atan2(-glyph.b, glyph.a) * 180 / std::numbers::pi;
        run_direction_ = length > 0 ? CadPoint{glyph.a / length, glyph.b / length} : CadPoint{1, 0};
    }
    AppendUtf8(&run_.text, item.ucs);
    const double advance =
        item.gid >= 0 ? Advance(context, span.font, item.gid, static_cast<int>(span.wmode)) : 0;
    next_glyph_ = {at.x + advance * glyph.a, at.y + advance * glyph.b};
}

void VectorCollector::AddText(fz_context* context, const fz_text* text, fz_matrix ctm,
                              std::uint32_t rgb) {
    if (!run_.text.empty() && run_.rgb != rgb)
        FlushRun();
    run_.rgb = rgb;
    for (const fz_text_span* span = text->head; span != nullptr && !stopped_; span = span->next) {
        fz_matrix trm = span->trm;
        for (int i = 0; i < span->len; ++i) {
            const fz_text_item& item = span->items[i];
            trm.e = item.x;
            trm.f = item.y;
            const fz_matrix glyph = fz_concat(trm, ctm);
            if (std::hypot(glyph.c, glyph.d) > 0)
                ContinueRun(*span, item, glyph, context);
        }
    }
    FlushRun();
}

struct VectorDevice {
    fz_device super;
    VectorCollector* collector;
};

VectorCollector& Collector(fz_device* device) {
    return *reinterpret_cast<VectorDevice*>(device)->collector;
}

void FillPath(fz_context* context, fz_device* device, const fz_path* path, int, fz_matrix ctm,
              fz_colorspace* space, const float* colour, float alpha, fz_color_params params) {
    if (alpha <= 0)
        return;
    const std::uint32_t rgb = ToRgb(context, space, colour, params);
    VectorCollector& collector = Collector(device);
    collector.Guarded([&] { collector.AddPath(context, path, ctm, true, 0, rgb); });
}

void StrokePath(fz_context* context, fz_device* device, const fz_path* path,
                const fz_stroke_state* stroke, fz_matrix ctm, fz_colorspace* space,
                const float* colour, float alpha, fz_color_params params) {
    if (alpha <= 0)
        return;
    const std::uint32_t rgb = ToRgb(context, space, colour, params);
    const double width = stroke != nullptr ? stroke->linewidth * fz_matrix_expansion(ctm) : 0;
    VectorCollector& collector = Collector(device);
    collector.Guarded([&] { collector.AddPath(context, path, ctm, false, width, rgb); });
}

void FillText(fz_context* context, fz_device* device, const fz_text* text, fz_matrix ctm,
              fz_colorspace* space, const float* colour, float alpha, fz_color_params params) {
    if (alpha <= 0)
        return;
    const std::uint32_t rgb = ToRgb(context, space, colour, params);
    VectorCollector& collector = Collector(device);
    collector.Guarded([&] { collector.AddText(context, text, ctm, rgb); });
}

void StrokeText(fz_context* context, fz_device* device, const fz_text* text, const fz_stroke_state*,
                fz_matrix ctm, fz_colorspace* space, const float* colour, float alpha,
                fz_color_params params) {
    FillText(context, device, text, ctm, space, colour, alpha, params);
}

// MuPDF's allocation macro names its context `ctx`.
fz_device* NewVectorDevice(fz_context* ctx, VectorCollector* collector) {
    VectorDevice* device = fz_new_derived_device(ctx, VectorDevice);
    device->super.fill_path = FillPath;
    device->super.stroke_path = StrokePath;
    device->super.fill_text = FillText;
    device->super.stroke_text = StrokeText;
    device->collector = collector;
    return &device->super;
}

}  // namespace

PageVectorStatus WalkPageVectors(fz_context* context, fz_page* page, fz_cookie* cookie,
                                 PageVectorSink& sink, std::size_t* point_budget,
                                 std::string* error) {
    VectorCollector collector(cookie, sink, point_budget);
    fz_device* device = nullptr;
    bool failed = false;
    fz_var(device);
    fz_var(failed);
    fz_try(context) {
        device = NewVectorDevice(context, &collector);
        fz_run_page(context, page, device, fz_identity, cookie);
        fz_close_device(context, device);
    }
    fz_always(context) {
        fz_drop_device(context, device);
    }
    fz_catch(context) {
        failed = true;
    }
    if (collector.TooLarge())
        return PageVectorStatus::kTooLarge;
    if (collector.Failed()) {
        *error = "out of memory while reading the page";
        return PageVectorStatus::kFailed;
    }
    if (std::atomic_ref<int>(cookie->abort).load() != 0)
        return PageVectorStatus::kCancelled;
    if (failed) {
        *error = fz_caught_message(context);
        return PageVectorStatus::kFailed;
    }
    return PageVectorStatus::kDone;
}

}  // namespace convcore
