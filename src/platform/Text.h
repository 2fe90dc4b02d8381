#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Text is UTF-8 in std::string everywhere; UTF-16 appears only where a stored format or a rule
// counts UTF-16 units. Case folding is ASCII-only so that keys and extensions never depend on
// the process locale.
namespace platform {

// Invalid input (bad UTF-8 sequences, unpaired surrogates) becomes U+FFFD, never an error:
// text from files and peers must always be displayable.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
bool IsValidUtf8(std::string_view text);

// Unicode characters (code points), not bytes; an invalid byte counts as one character.
std::size_t CountChars(std::string_view utf8);
// The longest prefix of at most max_chars characters, never cutting a character in half.
std::string_view TruncateChars(std::string_view utf8, std::size_t max_chars);

char AsciiToLower(char c);
std::string AsciiToLower(std::string_view text);
std::string AsciiToUpper(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix);

// The Windows `_wtoi` rules: leading white space, an optional sign, then decimal digits up to
// the first non-digit; no digits gives 0; overflow clamps to INT32_MAX / INT32_MIN.
std::int32_t ParseIntLikeWtoi(std::string_view text);

// The Windows `wcstol` rules with a 32-bit long: base 0 (prefix decides: "0x" hex, "0" octal,
// else decimal) or 2..36, "0x"/"0X" accepted for base 16, overflow clamps to INT32_MAX /
// INT32_MIN. `consumed` receives the number of bytes read (0 when no number was found, in which
// case the result is 0). An invalid base gives 0 with nothing consumed.
std::int32_t ParseLongLikeWcstol(std::string_view text, int base, std::size_t* consumed = nullptr);

}  // namespace platform
