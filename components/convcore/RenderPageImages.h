#pragma once

#include <json/value.h>

#include <string>
#include <vector>

#include "convcore/RenderImageFiles.h"
#include "convcore/TaskContext.h"

namespace convcore {

// "pdf_to_jpg", "pdf_to_png", "pdf_to_bmp": the chosen pages as images in the folder
// "target_path", one per page or, with "merge", stacked into tall images of "pagePerImage"
// pages each.
TaskOutcome ConvertPagesToImages(const Json::Value& record, ImageFormat format,
                                 TaskContext& context);

// The pages (0-based) of each image: one page per image without merge; otherwise runs of
// `pages_per_image` pages, where 0 or less means all pages in one image.
std::vector<std::vector<int>> GroupPages(const std::vector<int>& pages, bool merge,
                                         int pages_per_image);

// "<title>_<page>.<ext>" for one page, "<title>_<first>-<last>.<ext>" for several (1-based).
std::string PageImageName(const std::string& title, const std::vector<int>& group,
                          ImageFormat format);

}  // namespace convcore
