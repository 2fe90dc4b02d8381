#pragma once

#include <string>
#include <string_view>

namespace report {

// Appends `text` as a JSON string literal, quotes included. Invalid UTF-8 becomes U+FFFD (one
// per bad byte) so that the output is always valid UTF-8 and valid JSON. Control characters,
// DEL, U+2028 and U+2029 are escaped, so a line never breaks and the text can be embedded in
// a script unchanged.
void AppendJsonString(std::string& out, std::string_view text);

std::string JsonString(std::string_view text);

}  // namespace report
