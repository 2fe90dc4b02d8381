#pragma once

#include <filesystem>
#include <string>

#include "convcore/CadDrawing.h"

namespace convcore {

class TaskContext;

// The one page a drawing is drawn on: the aspect of the paper the user chose (in pixels),
// with its long side kCadPageLongSide points.
struct CadPageStyle {
    bool black_background = false;
    double paper_width = 2560;
    double paper_height = 1600;
};

inline constexpr double kCadPageLongSide = 1190;  // points, the long side of A2
inline constexpr double kCadPageMargin = 0.03;    // share of each page side left free

enum class CadRenderStatus { kWritten, kCancelled, kNothingDrawn, kTooLarge, kFailed };

struct CadRenderResult {
    CadRenderStatus status = CadRenderStatus::kFailed;
    std::string detail;  // why it failed
    long drawn = 0;      // paths, fills, texts and point marks drawn
};

// Draws the model space of `drawing` on one PDF page at `file`: the extents fitted to the page
// within its margins and centred; colours by index (7 in black or white, whichever stands out
// from the background; every other colour as it is), line weights in their real widths,
// dashes of line types, layers that are off or frozen left out. Progress runs from
// `progress_from` to 99 over the entities; a cancel is seen every few thousand of them.
CadRenderResult RenderDrawingPdf(const CadDrawing& drawing, const CadPageStyle& style,
                                 const std::filesystem::path& file, const std::string& title,
                                 TaskContext& context, int progress_from);

}  // namespace convcore
