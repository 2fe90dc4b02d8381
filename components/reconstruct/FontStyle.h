#pragma once

#include <string>

#include "reconstruct/Geometry.h"

namespace reconstruct {

// How a piece of text looks. `family` is the face the written document names: an installed
// face that matches the PDF's font (its own name when installed, else the closest installed
// face of the same script and kind), so that the document looks the same when opened here.
struct FontStyle {
    std::string pdf_name;  // the PDF's base font name without a subset prefix ("ABCDEF+")
    std::string family;    // installed family to name in the output
    double size = 0;       // points
    bool bold = false;
    bool italic = false;
    bool monospace = false;
    Rgb color;
    bool operator==(const FontStyle&) const = default;
};

}  // namespace reconstruct
