// Arbitrary bytes as an ini file in each encoding: loading must never fail hard, and what the
// document saves must load back as the same document.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/KIniFile.h"

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Keys above every header live under the empty name, which a saved file leaves out.
IniDocument::Sections Savable(IniDocument::Sections sections) {
    sections.erase("");
    return sections;
}

void CheckRoundTrip(std::string_view input, IniEncoding encoding) {
    KIniFile loaded;
    loaded.LoadBytes(input, encoding);
    const std::string text = loaded.Serialize();
    KIniFile reread;
    Require(reread.LoadBytes("\xEF\xBB\xBF" + text, IniEncoding::kUtf8) == !text.empty());
    Require(reread.sections() == Savable(loaded.sections()));
    Require(reread.Serialize() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (IniEncoding encoding : {IniEncoding::kAnsi, IniEncoding::kUtf8, IniEncoding::kUtf16})
        CheckRoundTrip(input, encoding);
    return 0;
}
