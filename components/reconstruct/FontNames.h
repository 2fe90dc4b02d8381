#pragma once

#include <string>
#include <string_view>

namespace reconstruct {

// What a PDF font's base name tells about the face: "ABCDEF+TimesNewRomanPS-BoldItalicMT" is
// the family "TimesNewRoman" in bold italic. PDF producers spell names freely, so these are
// hints to combine with the font's own flags.
struct FontNameTraits {
    std::string family;  // the name without style words and PostScript suffixes
    bool bold = false;
    bool italic = false;
    bool monospace = false;
    bool serif = false;  // a serif face by name (Times, Song/Ming, Kai, ...)
    bool sans = false;   // a sans face by name (Arial, Helvetica, Hei, ...)
    bool cjk = false;    // a Chinese, Japanese or Korean face by name
};

// The base font name as text: without a subset prefix ("ABCDEF+"), and valid UTF-8 even when
// the producer wrote a Chinese name in a legacy encoding (GBK).
std::string CleanFontName(std::string_view raw);

FontNameTraits ReadFontName(std::string_view clean_name);

// Lower case ASCII with blanks, hyphens and commas dropped, for comparing spellings of a name.
std::string NameKey(std::string_view name);

}  // namespace reconstruct
