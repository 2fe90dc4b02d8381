#pragma once

#include <json/value.h>

#include "convcore/TaskContext.h"

namespace convcore {

// "pdf_to_txt": the text of the chosen pages as UTF-8 (no byte order mark), "\n" after every
// line, a blank line between text blocks and a form feed between pages.
TaskOutcome ConvertPdfToText(const Json::Value& record, TaskContext& context);

// "pdf_to_html": one UTF-8 HTML page holding every chosen page as a box of absolutely placed
// text lines, with the page's pictures embedded as data URIs.
TaskOutcome ConvertPdfToHtml(const Json::Value& record, TaskContext& context);

}  // namespace convcore
