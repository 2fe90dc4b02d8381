#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// The marker a list item starts with.
struct ListMarker {
    ListKind kind = ListKind::kNone;
    std::string text;        // as printed: "•", "2.", "(b)", "一、"
    int number = 0;          // for numbered markers: the number it shows
    int depth = 0;           // nesting the marker itself shows: 1 for "1.2.", 2 for "1.2.3"
    std::size_t length = 0;  // characters it covers, with the spaces before and after it
};

// The list marker at the start of `chars`, when the line starts with one and text follows it.
std::optional<ListMarker> FindListMarker(std::span<const RawChar> chars);

}  // namespace reconstruct
