#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// "pdf_to_curve": a copy of the PDF ("source_path") in which every glyph is drawn as a path,
// so that the pages look the same but hold no text and no fonts ("target_path").
void RegisterCurveCommand(CommandDispatcher& dispatcher);

}  // namespace convcore
