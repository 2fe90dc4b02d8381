#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reconstruct/Geometry.h"
#include "reconstruct/RawPage.h"

typedef struct fz_context fz_context;
typedef struct fz_display_list fz_display_list;

namespace reconstruct {

// Joins drawing bounds into regions: boxes that overlap or come within `gap` points of each
// other become one. When more than `max_regions` remain, the smallest ones join their nearest
// neighbours, so that a page of scattered marks still gives a handful of pictures.
std::vector<Rect> GroupGraphicRegions(const std::vector<Rect>& boxes, double gap,
                                      std::size_t max_regions);

// Renders the page's drawings inside each region to a PNG at `dpi` with a transparent
// background: paths, shadings and stencil masks only, no text and no images, which the
// document keeps as text and pictures of their own. Very large regions are rendered at a
// lower resolution to bound memory.
bool RenderGraphics(fz_context* context, fz_display_list* list, const std::vector<Rect>& regions,
                    int dpi, const std::function<bool()>& cancelled, std::vector<RawGraphic>* out,
                    std::string* error);

}  // namespace reconstruct
