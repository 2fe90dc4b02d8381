#pragma once

#include "convcore/CadDrawing.h"

namespace convcore {

// Block references are followed this deep; deeper ones (and a block that contains itself)
// draw nothing.
inline constexpr int kMaxBlockDepth = 16;

// What the page shows of a drawing: the extents the header declares when they are sane and
// meet what is drawn, else the box around what is drawn (texts by an estimate of their size).
// Entities on layers that are off or frozen count for nothing. Empty when nothing has a place.
CadBox DrawingExtents(const CadDrawing& drawing);

// The box around what is drawn alone.
CadBox DrawnExtents(const CadDrawing& drawing);

// The box of a text in its own frame (x along the baseline from its origin), estimated from
// its characters: layout is not known before the fonts are.
CadBox EstimatedTextBox(const CadText& text);

}  // namespace convcore
