#pragma once

#include <string>
#include <vector>

#include "reconstruct/OoxmlPackage.h"

namespace reconstruct {

inline constexpr char kSlideContentType[] =
    "application/vnd.openxmlformats-officedocument.presentationml.slide+xml";

struct PartRelationship {
    std::string id;
    std::string type;    // the last segment of an Office relationship type ("image", "slide")
    std::string target;  // relative to the part's folder, or a URI when external
    bool external = false;
};

// A part's relationships file.
std::string RelationshipsXml(const std::vector<PartRelationship>& relationships);

// Adds the parts of a slide deck that do not depend on the pages' content: the package
// relationships and properties, the presentation listing slides 1..slide_count (each at
// "ppt/slides/slide<n>.xml"), and the plain master, blank layout and theme every slide uses.
// The slide size is in EMU.
bool AddDeckParts(OoxmlPackage* package, int slide_count, long width, long height,
                  std::string* error);

}  // namespace reconstruct
