#pragma once

#include "reconstruct/LayoutModel.h"
#include "reconstruct/OcrPicture.h"
#include "reconstruct/OcrResult.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// Where a recognised picture stands: the page it fills.
struct OcrPageFrame {
    int index = 0;     // 0-based page number
    double width = 0;  // the page in points
    double height = 0;
    double scale = 1;  // points per pixel of the picture
};

// The recognised text as a page's text layer: one line per recognised line, its characters at
// their places with a space between words (none between CJK characters), in an installed face
// that covers the line's script, sized from the line's height. Sizes within a few percent of the
// most common one are taken to be that one, so that body text reads as one size. Ruled lines of
// the picture are rules of the page, so that a scanned grid becomes a table. The figures the
// layout analysis found are cut from `picture` as PNG pictures.
RawPage OcrRawPage(const OcrResult& result, const OcrPicture& picture, const OcrPageFrame& frame);

// The rebuilt page of a recognised picture: the text layer above laid out like that of any PDF
// page, into paragraphs, columns and tables, with its figures in the flow. The picture itself is
// not part of it: its text replaces it.
Page BuildOcrPage(const OcrResult& result, const OcrPicture& picture, const OcrPageFrame& frame);

// A page that is nothing but `picture`, filling it edge to edge: a picture without text.
Page PicturePage(const OcrPageFrame& frame, Image picture);

}  // namespace reconstruct
