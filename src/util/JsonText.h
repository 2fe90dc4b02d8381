#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace BkJsonEx {

class Cursor;

// The length of the valid UTF-8 sequence that `text` starts with; 0 when it starts with an
// invalid or truncated one (overlong forms, encoded surrogates and values above U+10FFFF are
// invalid), or is empty.
std::size_t Utf8SequenceLength(std::string_view text);

void AppendUtf8(std::string& out, char32_t code_point);

// Strings of the tree are valid UTF-8 without NUL, the only text the written form can carry
// back: each invalid byte and each NUL becomes U+FFFD.
std::string CleanText(std::string_view text);

// A quoted string after optional white space, escapes decoded to UTF-8. On failure the error is
// recorded in the cursor and `out` holds what was read so far.
bool ReadString(Cursor& cursor, std::string& out);

// `text` (clean, see CleanText) between double quotes, escaped for the written form: the named
// escapes, "/" as "\/", other code points below 32 and those from 127 to 255 as "\u00xx", and
// everything from U+0100 on as it is.
void AppendQuoted(std::string& out, std::string_view text);

// Appends `count` spaces; nothing for a count below 1.
void AppendSpaces(std::string& out, int count);

// The indentation one level further in, kept within 0..kMaxIndent.
int InnerIndent(int indent, int step);

}  // namespace BkJsonEx
