#pragma once

#include <string>
#include <string_view>

// Turning the bytes of a plain text file into the text that is laid out: its encoding guessed,
// decoded to UTF-8 and tidied for layout.
namespace convcore {

enum class TextEncoding { kUtf8, kUtf16Le, kUtf16Be, kGb18030 };

// Guesses how `bytes` are encoded. A byte order mark decides first. Without one, text whose
// 16-bit units have a zero byte on one side far more often than on the other is UTF-16 (every
// ASCII character, space and line break has one). Otherwise the text is UTF-8 when invalid
// sequences are rare (a file cut inside a character, a stray byte), and GB18030 when they are
// common: the files that are not UTF-8 here come from Chinese Windows systems.
TextEncoding DetectTextEncoding(std::string_view bytes);

struct DecodedText {
    TextEncoding encoding = TextEncoding::kUtf8;
    // UTF-8 without a byte order mark; whatever cannot be decoded is U+FFFD. Lines end in "\n"
    // alone (CR LF and CR are converted), the final line break is dropped, tabs are expanded to
    // stops every kTabColumns characters and other control characters become spaces.
    std::string text;
};

inline constexpr int kTabColumns = 8;

DecodedText DecodeTextFile(std::string_view bytes);

}  // namespace convcore
