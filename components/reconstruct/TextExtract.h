#pragma once

#include <string>

#include "reconstruct/RawPage.h"

typedef struct fz_context fz_context;
typedef struct fz_display_list fz_display_list;

namespace reconstruct {

// Fills `lines` and `styles` of `out` from the page's structured text: one line per MuPDF
// line, characters left to right, styles deduplicated, super- and subscripts marked, text
// printed twice for a bold look kept once.
// Ligatures come out expanded; text entirely outside the page is left out.
bool ReadTextLines(fz_context* context, fz_display_list* list, RawPage* out, std::string* error);

}  // namespace reconstruct
