#pragma once

#include <qpdf/QPDF.hh>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "convcore/PageToolPdf.h"

// The watermark dialog's live preview: one page watermarked in memory and drawn small.
namespace convcore {

// Page `index` (0-based) of `source` alone in a new document. Whatever ties the page to the
// rest of its document (form fields, article threads, links to other pages) is left behind;
// its annotations keep only what draws them. `source` must outlive the copy. Null with the
// reason when the page cannot be read.
std::unique_ptr<QPDF> CopyPageAlone(SourcePdf& source, int index, std::string* error);

// The first page of the PDF in `pdf`, drawn `width` pixels wide (on white) into the PNG file
// `png`. False with the reason.
bool DrawFirstPageAsPng(std::string_view pdf, int width, const std::filesystem::path& png,
                        std::string* error);

}  // namespace convcore
