#pragma once

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeSettings.h"

namespace convcore {

// Word, Excel and PowerPoint documents to PDF through LibreOffice, kept loaded by the
// quire-office helper: "doc_to_pdf", "docx_to_pdf", "xls_to_pdf", "xlsx_to_pdf", "ppt_to_pdf"
// and "pptx_to_pdf", each with "source_path", "target_path" and, for a protected document,
// "password". LibreOffice tells the formats apart by content, so the six behave the same: a
// .docx sent as "doc_to_pdf" converts, a file that is no Office document fails.
void RegisterOfficeCommands(CommandDispatcher& dispatcher);

// The same with fixed settings instead of this installation's.
void RegisterOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings);

}  // namespace convcore
