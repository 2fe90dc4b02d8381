#pragma once

#include <json/value.h>

#include "convcore/TaskContext.h"

namespace convcore {

// "pdf_to_img_pdf": a PDF whose pages are JPEG pictures of the chosen pages, each page the size
// of its source page. Nothing of the text survives as text.
TaskOutcome ConvertPdfToImagePdf(const Json::Value& record, TaskContext& context);

}  // namespace convcore
