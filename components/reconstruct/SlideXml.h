#pragma once

#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/PresentationParts.h"

namespace reconstruct {

// Where a page lands on its slide: page points times `scale`, moved by (x, y) slide points. A
// deck has one slide size, so a page of another shape is scaled to fit and centred.
struct SlideFrame {
    double scale = 1;
    double x = 0;
    double y = 0;
};

SlideFrame FrameFor(double page_width, double page_height, double slide_width, double slide_height);

struct SlidePicture {
    std::string relationship_id;
    const Image* image = nullptr;
    std::string extension;  // "png" or "jpeg"
};

// One page as slide XML. Pictures come first (bottom), then tables, then text boxes, so that
// text stays on top and can be selected. The slide's relationships list the layout and the
// hyperlinks; the pictures' relationships are the caller's to add once it has named the media.
struct SlideContent {
    std::string xml;
    std::vector<PartRelationship> relationships;
    std::vector<SlidePicture> pictures;
};

SlideContent BuildSlide(const Page& page, const SlideFrame& frame);

}  // namespace reconstruct
