#pragma once

#include <string>

namespace platform {

// Appends the UTF-8 of one code point; a surrogate or a value past U+10FFFF gives U+FFFD.
void AppendUtf8(char32_t code, std::string* out);

}  // namespace platform
