#pragma once

#include <json/value.h>

#include "convcore/TaskContext.h"

namespace convcore {

// "pdf_extract_images": every picture the chosen pages draw, written into "target_dir" as
// "<title>_p<page>_<n>.jpg" (the stored JPEG data, byte for byte) or ".png" (decoded), n
// counting from 1 on each page. A picture drawn twice on a page is written once.
TaskOutcome ExtractPdfImages(const Json::Value& record, TaskContext& context);

}  // namespace convcore
