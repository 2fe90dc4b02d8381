#pragma once

#include <string>
#include <string_view>

namespace platform {

// The chooser's patterns match case-sensitively; "*.pdf" becomes "*.[pP][dD][fF]" so that a
// file named "REPORT.PDF" is offered too. Only ASCII letters get both cases.
std::string CaseInsensitiveGlob(std::string_view pattern);

}  // namespace platform
