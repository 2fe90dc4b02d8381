#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base64 {

// Standard alphabet with "=" padding. CR, LF and spaces are skipped wherever they occur, so a
// wrapped text decodes; missing padding is accepted. Any other character outside the
// alphabet, a "=" before the end, or a single dangling character gives nullopt.
std::optional<std::string> Decode(std::string_view text);

}  // namespace base64
