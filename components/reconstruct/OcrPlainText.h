#pragma once

#include <string>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// The text of a rebuilt page in reading order, for plain-text output: one line per paragraph
// (a list item with its marker), one line per table row with its cells separated by tabs;
// pictures give nothing. Every line ends with '\n'.
std::string PlainTextOf(const Page& page);

}  // namespace reconstruct
