#pragma once

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeSettings.h"

namespace convcore {

// PDF to editable documents, rebuilt page by page from the text, tables,
// pictures and drawings of the PDF: "pdf_to_docx", "pdf_to_xlsx",
// "pdf_to_pptx", and "pdf_to_doc" and "pdf_to_xls", which LibreOffice saves in
// the older formats from the rebuilt .docx and .xlsx. Each takes "source_path",
// "target_path", "pages" and "password".
void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher);

// The same with fixed LibreOffice settings instead of this installation's.
void RegisterPdfToOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings);

}  // namespace convcore
