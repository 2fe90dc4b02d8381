#pragma once

#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"
#include "reconstruct/RunningTextDetector.h"

namespace reconstruct {

// One page rebuilt: text outside `tables` becomes paragraphs; `tables`, pictures and vector
// drawings (as PNG pictures) stand in the flow where they are on the page; running headers and
// footers are left out; the page is cut into regions of one or more columns.
Page LayOutPage(const RawPage& page, std::vector<Table> tables, const RunningTextDetector& running);

}  // namespace reconstruct
