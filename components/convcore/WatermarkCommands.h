#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// "pdf_add_watermark" (the chosen pages of a PDF get a text or picture watermark) and
// "pdf_watermark_preview" (the watermark dialog's live picture of the first page).
void RegisterWatermarkCommands(CommandDispatcher& dispatcher);

}  // namespace convcore
