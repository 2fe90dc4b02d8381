#pragma once

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeSettings.h"

namespace convcore {

// Text recognition of scans and photos into editable documents: "ocr_to_docx", "ocr_to_doc"
// (the .docx saved again by LibreOffice, as pdf_to_doc does) and "ocr_to_txt". Each takes
// "source_path" (a picture: JPEG, PNG, BMP, TIFF with every frame a page, GIF, WebP; or a PDF),
// "target_path", and optionally "languages" (Tesseract's names joined by '+'; "chi_sim+eng"
// when absent) and, for PDFs and multi-page TIFFs, "pages" (1-based) and "password".
void RegisterOcrCommands(CommandDispatcher& dispatcher);

// The same with fixed LibreOffice settings instead of this installation's.
void RegisterOcrCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings);

}  // namespace convcore
