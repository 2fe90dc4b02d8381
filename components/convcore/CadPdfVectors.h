#pragma once

#include <mupdf/fitz.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "convcore/CadGeometry.h"

// The vector content of a PDF page: the pieces of its paths as point lists and its text as
// lines, in the page's own space (points, y growing downwards from the top left).
namespace convcore {

// One piece of a path between two moves, curves already flattened.
struct PageVectorPiece {
    std::vector<CadPoint> points;  // two or more
    bool closed = false;
};

// A path as one stroke or fill shows it.
struct PageVectorPath {
    std::vector<PageVectorPiece> pieces;
    bool filled = false;
    double width = 0;  // stroke width in points; 0 for fills
    std::uint32_t rgb = 0;
};

// A run of glyphs that share a baseline and follow each other closely.
struct PageVectorText {
    CadPoint origin;      // on the baseline, before the first glyph
    double size = 0;      // font size on the page, points
    double rotation = 0;  // degrees, counter-clockwise as the reader sees the page
    std::string text;     // UTF-8
    std::uint32_t rgb = 0;
};

class PageVectorSink {
public:
    virtual ~PageVectorSink() = default;
    virtual void Path(const PageVectorPath& path) = 0;
    virtual void Text(const PageVectorText& text) = 0;
};

// Curves are flattened to this distance from the true curve, in points.
inline constexpr double kCurveTolerance = 0.1;

enum class PageVectorStatus { kDone, kCancelled, kTooLarge, kFailed };

// Interprets the page and hands its stroked and filled paths and its visible text to `sink`.
// Pictures, shadings and clipping are left out. `cookie` aborts the page when set from
// another thread. `point_budget` bounds the points handed over, and is reduced by them.
PageVectorStatus WalkPageVectors(fz_context* context, fz_page* page, fz_cookie* cookie,
                                 PageVectorSink& sink, std::size_t* point_budget,
                                 std::string* error);

}  // namespace convcore
