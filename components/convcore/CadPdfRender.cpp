#include "convcore/CadPdfRender.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "convcore/CadColours.h"
#include "convcore/CadExtents.h"
#include "convcore/CadTextPainter.h"
#include "convcore/TaskContext.h"

namespace convcore {
namespace {

constexpr double kPointsPerLineweightUnit = 72.0 / 25.4 / 100;  // 1/100 mm in points
// Lines without a weight of their own: the usual default of 0.25 mm.
constexpr int kDefaultLineweight = 25;
constexpr int kHeaviestLineweight = 211;
constexpr double kThinnestLine = 0.25;    // points; thinner lines would vanish in print
constexpr double kPointMarkRadius = 0.6;  // points
constexpr double kDotDash = 0.5;          // points, the dots of dotted line types
// A dash pattern shorter than this on the page would look solid and only cost time.
constexpr double kShortestDashPattern = 1.0;
// Bulges this small are straight for all purposes (and would make huge circles).
constexpr double kStraightBulge = 1e-9;
// Nested and repeated block references can multiply a small file into an endless drawing.
constexpr long kMaxDrawn = 20'000'000;
// References that draw nothing (empty blocks in huge grids) still cost their visit.
constexpr long kMaxVisited = 100'000'000;
// The PDF surface holds about a kilobyte per drawing operation until the page ends.
constexpr long kMaxOperations = 4'000'000;
constexpr long kCheckEvery = 2048;
constexpr std::size_t kProgressEvery = 1024;
// Points gathered into one stroke at most, so that no single path grows without bound.
constexpr std::size_t kMostPointsPerStroke = 100'000;
constexpr double kSmallestAspect = 1.0 / 20;

template <typename T, void (*Free)(T*)>
struct FreeWith {
    void operator()(T* object) const { Free(object); }
};
using SurfacePtr =
    std::unique_ptr<cairo_surface_t, FreeWith<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, FreeWith<cairo_t, cairo_destroy>>;

struct PageFrame {
    double width = 0;
    double height = 0;
    CadAffine to_page;
};

PageFrame FitPage(const CadBox& extents, const CadPageStyle& style) {
    const bool usable = std::isfinite(style.paper_width) && std::isfinite(style.paper_height) &&
                        style.paper_width > 0 && style.paper_height > 0;
    const CadPageStyle paper = usable ? style : CadPageStyle{};
    const double aspect =
        std::clamp(paper.paper_height / paper.paper_width, kSmallestAspect, 1 / kSmallestAspect);
    PageFrame frame;
    frame.width = aspect <= 1 ? kCadPageLongSide : kCadPageLongSide / aspect;
    frame.height = aspect <= 1 ? kCadPageLongSide * aspect : kCadPageLongSide;
    const double room_x = frame.width * (1 - 2 * kCadPageMargin);
    const double room_y = frame.height * (1 - 2 * kCadPageMargin);
    double scale = 0;
    if (extents.Width() > 0)
        scale = room_x / extents.Width();
    if (extents.Height() > 0)
        scale = scale > 0 ? std::min(scale, room_y / extents.Height()) : room_y / extents.Height();
    if (!(scale > 0) || !std::isfinite(scale))
        scale = 1;
    const double centre_x = extents.empty ? 0 : (extents.min_x + extents.max_x) / 2;
    const double centre_y = extents.empty ? 0 : (extents.min_y + extents.max_y) / 2;
    frame.to_page = {scale,
                     0,
                     0,
                     -scale,
                     frame.width / 2 - scale * centre_x,
                     frame.height / 2 + scale * centre_y};
    return frame;
}

cairo_matrix_t CairoMatrix(const CadAffine& affine) {
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, affine.xx, affine.yx, affine.xy, affine.yy, affine.x0, affine.y0);
    return matrix;
}

// cairo's dash array (on, off, on, ...) in points for a line type pattern; empty for solid.
std::vector<double> DashArray(const std::vector<double>& pattern, double scale) {
    std::vector<double> dashes;
    bool has_gap = false;
    for (const double element : pattern) {
        const bool on = element >= 0;
        has_gap = has_gap || !on;
        const double length = element == 0 ? kDotDash : std::fabs(element) * scale;
        const bool on_slot = dashes.size() % 2 == 0;
        if (dashes.empty() && !on)
            dashes.push_back(0);  // a pattern that starts with a gap
        if (!dashes.empty() && on_slot != on)
            dashes.back() += length;  // two dashes or two gaps in a row
        else
            dashes.push_back(length);
    }
    if (dashes.size() % 2 == 1)
        dashes.push_back(0);
    double total = 0;
    for (const double length : dashes)
        total += length;
    if (!has_gap || !(total >= kShortestDashPattern) || !std::isfinite(total))
        return {};
    return dashes;
}

struct StrokeLook {
    std::uint32_t rgb = 0;
    double width = 0;  // points
    std::vector<double> dashes;

    bool operator==(const StrokeLook&) const = default;
};

// What an entity inherits from the block reference it is drawn through.
struct Inherited {
    CadAffine to_page;
    int layer = 0;
    std::uint32_t colour = 0;
    int lineweight = kDefaultLineweight;
    int linetype = kLinetypeContinuous;
    int depth = 0;
};

struct Resolved {
    int layer = 0;
    std::uint32_t colour = 0;
    int lineweight = kDefaultLineweight;
    int linetype = kLinetypeContinuous;
};

class Painter {
public:
    Painter(cairo_t* cairo, const CadDrawing& drawing, const CadPageStyle& style,
            CadTextPainter& texts, TaskContext& context)
        : cairo_(cairo),
          drawing_(drawing),
          foreground_(style.black_background ? 0xFFFFFF : 0x000000),
          texts_(texts),
          context_(context) {}

    void PaintModel(const CadAffine& to_page, int progress_from) {
        Inherited top;
        top.to_page = to_page;
        top.colour = foreground_;
        const std::size_t count = drawing_.entities.size();
        for (std::size_t i = 0; i < count && status_ == CadRenderStatus::kWritten; ++i) {
            PaintEntity(drawing_.entities[i], top);
            if (i % kProgressEvery == 0)
                context_.SetProgress(progress_from +
                                     static_cast<int>((99 - progress_from) * i / count));
        }
        StrokePending();
    }

    CadRenderStatus Status() const { return status_; }
    long Drawn() const { return drawn_; }

private:
    std::uint32_t IndexColour(int index) const {
        return index == 7 ? foreground_ : AciColour(index);
    }

    Resolved Resolve(const CadStyle& style, const Inherited& inherited) const {
        Resolved resolved;
        resolved.layer = inherited.depth > 0 && style.layer == 0 ? inherited.layer : style.layer;
        const CadLayer& layer = drawing_.layers[static_cast<std::size_t>(resolved.layer)];
        if (style.true_colour >= 0)
            resolved.colour = static_cast<std::uint32_t>(style.true_colour);
        else if (style.colour == kColourByBlock)
            resolved.colour = inherited.colour;
        else if (style.colour == kColourByLayer)
            resolved.colour = layer.true_colour >= 0 ? static_cast<std::uint32_t>(layer.true_colour)
                                                     : IndexColour(layer.colour);
        else
            resolved.colour = IndexColour(style.colour);
        resolved.lineweight = style.lineweight;
        if (resolved.lineweight == kLineweightByLayer)
            resolved.lineweight = layer.lineweight;
        else if (resolved.lineweight == kLineweightByBlock)
            resolved.lineweight = inherited.lineweight;
        if (resolved.lineweight < 0)
            resolved.lineweight = kDefaultLineweight;
        resolved.linetype = style.linetype;
        if (resolved.linetype == kLinetypeByLayer)
            resolved.linetype = layer.linetype;
        else if (resolved.linetype == kLinetypeByBlock)
            resolved.linetype = inherited.linetype;
        return resolved;
    }

    // False once the task is to stop; every entity visited counts, drawn or not.
    bool Tick() {
        if (++visited_ % kCheckEvery == 0 && context_.IsCancelled())
            status_ = CadRenderStatus::kCancelled;
        if (drawn_ > kMaxDrawn || visited_ > kMaxVisited || operations_ > kMaxOperations)
            status_ = CadRenderStatus::kTooLarge;
        return status_ == CadRenderStatus::kWritten;
    }

    void PaintEntity(const CadEntity& entity, const Inherited& inherited) {
        if (!Tick())
            return;
        const Resolved resolved = Resolve(entity.style, inherited);
        const CadLayer& layer = drawing_.layers[static_cast<std::size_t>(resolved.layer)];
        // A reference on a layer that is off still shows what lies on other layers.
        const bool is_insert = std::holds_alternative<CadInsert>(entity.shape);
        if (layer.frozen || (layer.off && !is_insert))
            return;
        std::visit([&](const auto& shape) { Paint(shape, entity.style, resolved, inherited); },
                   entity.shape);
    }

    void SetColour(std::uint32_t rgb) {
        cairo_set_source_rgb(cairo_, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                             (rgb & 0xFF) / 255.0);
    }

    void Trace(const CadPolyline& polyline, bool closed) {
        const std::vector<CadVertex>& vertices = polyline.vertices;
        cairo_move_to(cairo_, vertices.front().x, vertices.front().y);
        const std::size_t segments = closed ? vertices.size() : vertices.size() - 1;
        for (std::size_t i = 0; i < segments; ++i) {
            const CadVertex& from = vertices[i];
            const CadVertex& to = vertices[(i + 1) % vertices.size()];
            const bool same = from.x == to.x && from.y == to.y;
            if (std::fabs(from.bulge) <= kStraightBulge || same) {
                cairo_line_to(cairo_, to.x, to.y);
                continue;
            }
            const CadArc arc = BulgeArc(from, {to.x, to.y});
            if (arc.ccw)
                cairo_arc(cairo_, arc.centre.x, arc.centre.y, arc.radius, arc.start, arc.end);
            else
                cairo_arc_negative(cairo_, arc.centre.x, arc.centre.y, arc.radius, arc.start,
                                   arc.end);
        }
        if (closed)
            cairo_close_path(cairo_);
    }

    void PaintDot(const CadVertex& at, const Inherited& inherited) {
        const CadPoint page = inherited.to_page.Apply({at.x, at.y});
        cairo_identity_matrix(cairo_);
        cairo_new_path(cairo_);
        cairo_arc(cairo_, page.x, page.y, kPointMarkRadius, 0, 2 * std::numbers::pi);
        cairo_fill(cairo_);
        ++operations_;
    }

    std::vector<double> Dashes(int linetype, const CadStyle& style,
                               const Inherited& inherited) const {
        if (linetype < 0 || static_cast<std::size_t>(linetype) >= drawing_.linetypes.size())
            return {};
        const double scale = drawing_.linetype_scale * std::fabs(style.linetype_scale) *
                             inherited.to_page.MeanScale();
        return DashArray(drawing_.linetypes[static_cast<std::size_t>(linetype)].pattern, scale);
    }

    // Strokes of one look are gathered into one path: the PDF surface keeps every drawing
    // operation of a page until the page ends, and one operation per line of a large drawing
    // costs far more memory than the line's points.
    void StrokePending() {
        if (!pending_)
            return;
        cairo_identity_matrix(cairo_);
        SetColour(pending_->rgb);
        cairo_set_line_width(cairo_, pending_->width);
        const std::vector<double>& dashes = pending_->dashes;
        cairo_set_dash(cairo_, dashes.data(), static_cast<int>(dashes.size()), 0);
        cairo_set_line_cap(cairo_, dashes.empty() ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
        cairo_stroke(cairo_);
        ++operations_;
        pending_.reset();
        pending_points_ = 0;
    }

    void Paint(const CadPolyline& polyline, const CadStyle& style, const Resolved& resolved,
               const Inherited& inherited) {
        if (polyline.vertices.empty())
            return;
        ++drawn_;
        if (polyline.vertices.size() == 1) {
            StrokePending();
            SetColour(resolved.colour);
            PaintDot(polyline.vertices.front(), inherited);
            return;
        }
        const double weight =
            std::min(resolved.lineweight, kHeaviestLineweight) * kPointsPerLineweightUnit;
        const double width = polyline.width * inherited.to_page.MeanScale();
        StrokeLook look{resolved.colour, std::max({weight, width, kThinnestLine}),
                        Dashes(resolved.linetype, style, inherited)};
        if (!pending_ || !(*pending_ == look) || pending_points_ > kMostPointsPerStroke) {
            StrokePending();
            cairo_new_path(cairo_);
            pending_ = std::move(look);
        }
        pending_points_ += polyline.vertices.size();
        const cairo_matrix_t matrix = CairoMatrix(inherited.to_page);
        cairo_set_matrix(cairo_, &matrix);
        Trace(polyline, polyline.closed);
    }

    void Paint(const CadFill& fill, const CadStyle&, const Resolved& resolved,
               const Inherited& inherited) {
        StrokePending();
        ++drawn_;
        SetColour(resolved.colour);
        const cairo_matrix_t matrix = CairoMatrix(inherited.to_page);
        cairo_set_matrix(cairo_, &matrix);
        cairo_new_path(cairo_);
        for (const CadPolyline& loop : fill.loops) {
            if (!loop.vertices.empty())
                Trace(loop, true);
        }
        cairo_identity_matrix(cairo_);
        cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cairo_);
        ++operations_;
    }

    void Paint(const CadText& text, const CadStyle&, const Resolved& resolved,
               const Inherited& inherited) {
        StrokePending();
        ++drawn_;
        ++operations_;
        texts_.Paint(text, inherited.to_page, resolved.colour);
    }

    void Paint(const CadInsert& insert, const CadStyle&, const Resolved& resolved,
               const Inherited& inherited) {
        const auto found = drawing_.blocks.find(insert.block);
        if (found == drawing_.blocks.end() || inherited.depth >= kMaxBlockDepth)
            return;
        Inherited inner;
        inner.layer = resolved.layer;
        inner.colour = resolved.colour;
        inner.lineweight = resolved.lineweight;
        inner.linetype = resolved.linetype;
        inner.depth = inherited.depth + 1;
        for (int row = 0; row < insert.rows; ++row) {
            for (int column = 0; column < insert.columns; ++column) {
                if (!Tick())
                    return;
                inner.to_page = inherited.to_page.After(
                    InsertPlacement(insert, found->second.base, column, row));
                if (inner.to_page.IsUsable())
                    PaintAll(found->second.entities, inner);
            }
        }
    }

    void PaintAll(const std::vector<CadEntity>& entities, const Inherited& inherited) {
        for (const CadEntity& entity : entities) {
            if (status_ != CadRenderStatus::kWritten)
                return;
            PaintEntity(entity, inherited);
        }
    }

    cairo_t* cairo_;
    const CadDrawing& drawing_;
    const std::uint32_t foreground_;  // what colour 7 draws in
    CadTextPainter& texts_;
    TaskContext& context_;
    std::optional<StrokeLook> pending_;  // the look of the path gathered so far
    std::size_t pending_points_ = 0;
    CadRenderStatus status_ = CadRenderStatus::kWritten;
    long drawn_ = 0;
    long visited_ = 0;
    long operations_ = 0;  // strokes, fills and texts handed to cairo
};

CadRenderResult Failed(CadRenderStatus status, std::string detail) {
    return CadRenderResult{status, std::move(detail), 0};
}

std::string CairoFailure(const std::filesystem::path& file, cairo_status_t status) {
    return "cannot write the PDF " + file.string() + ": " + cairo_status_to_string(status);
}

}  // namespace

CadRenderResult RenderDrawingPdf(const CadDrawing& drawing, const CadPageStyle& style,
                                 const std::filesystem::path& file, const std::string& title,
                                 TaskContext& context, int progress_from) {
    const PageFrame page = FitPage(DrawingExtents(drawing), style);
    const SurfacePtr surface(cairo_pdf_surface_create(file.c_str(), page.width, page.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Failed(CadRenderStatus::kFailed,
                      CairoFailure(file, cairo_surface_status(surface.get())));
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Quire");
    const CairoPtr cairo(cairo_create(surface.get()));
    if (style.black_background) {
        cairo_set_source_rgb(cairo.get(), 0, 0, 0);
        cairo_paint(cairo.get());
    }
    cairo_set_line_join(cairo.get(), CAIRO_LINE_JOIN_ROUND);
    std::string error;
    const std::unique_ptr<CadTextPainter> texts = CadTextPainter::Create(cairo.get(), &error);
    if (texts == nullptr)
        return Failed(CadRenderStatus::kFailed, error);
    Painter painter(cairo.get(), drawing, style, *texts, context);
    painter.PaintModel(page.to_page, progress_from);
    switch (painter.Status()) {
        case CadRenderStatus::kCancelled:
            return Failed(CadRenderStatus::kCancelled, "cancelled");
        case CadRenderStatus::kTooLarge:
            return Failed(CadRenderStatus::kTooLarge,
                          "the drawing is too large to draw on one page: more than 20 million "
                          "elements, 4 million separate strokes, fills and texts, or 100 "
                          "million block references");
        default:
            break;
    }
    if (painter.Drawn() == 0)
        return Failed(CadRenderStatus::kNothingDrawn, "no drawable entities");
    cairo_show_page(cairo.get());
    // A drawing error puts the context out of use for good; the page would be incomplete.
    if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS)
        return Failed(CadRenderStatus::kFailed, CairoFailure(file, cairo_status(cairo.get())));
    cairo_surface_finish(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Failed(CadRenderStatus::kFailed,
                      CairoFailure(file, cairo_surface_status(surface.get())));
    return CadRenderResult{CadRenderStatus::kWritten, {}, painter.Drawn()};
}

}  // namespace convcore
