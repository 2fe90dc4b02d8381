#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// CAD drawings: "dxf_to_pdf" draws the model space of an ASCII DXF on one PDF page;
// "pdf_to_dxf" turns the paths and texts of PDF pages into DXF entities, a layer per page.
// Both take "source_path" and "target_path"; see docs/cad.md for the rest.
void RegisterCadCommands(CommandDispatcher& dispatcher);

}  // namespace convcore
