#pragma once

#include "convcore/TaskContext.h"

namespace convcore {

// "get_file_info": the facts the program shows before converting a document. Record keys:
// "file", "check_img_pdf", "try_no", optional "password". Reports "page_count",
// "is_encrypted", "password_ok", "is_image_pdf", "is_unreadable_pdf", "pdf_canto_cad",
// "max_scale", "max_width" and "max_height" as integers (-1 = not known). A document that
// cannot be read still succeeds, with "is_unreadable_pdf" 1 and "page_count" -1: judging it
// is the program's business. Only a missing file (or a cancel) fails.
TaskOutcome GetFileInfo(const Json::Value& record, TaskContext& context);

}  // namespace convcore
