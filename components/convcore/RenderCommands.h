#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// The commands that draw PDF pages or take their text and pictures: "pdf_to_jpg",
// "pdf_to_png", "pdf_to_bmp", "pdf_to_txt", "pdf_to_html", "pdf_to_img_pdf" and
// "pdf_extract_images".
void RegisterRenderCommands(CommandDispatcher& dispatcher);

}  // namespace convcore
