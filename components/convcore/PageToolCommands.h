#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// The PDF page tools: "new_split_pdf", "new_merge_pdf", "pdf_merge", "pdf_pickup_pages",
// "pdf_delete_pages", "pdf_encrypt", "pdf_decrypt" and "pdf_compress".
void RegisterPageTools(CommandDispatcher& dispatcher);

}  // namespace convcore
