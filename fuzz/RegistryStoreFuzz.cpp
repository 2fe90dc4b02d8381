// Arbitrary bytes as a registry file: parsing must never fail, what it writes back must read
// back the same, and a value written into any file must be found again after a round trip.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

namespace {

using platform::RegistryDocument;
using platform::RegistryValue;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckStableText(const RegistryDocument& document) {
    const std::string text = document.Serialize();
    const RegistryDocument reread = RegistryDocument::Parse(text);
    Require(reread.Serialize() == text);
    Require(reread.unparsed_line_count() == document.unparsed_line_count());
}

// The input's first bytes also serve as a value name, so names full of syntax get written
// into files full of junk.
void CheckWrittenValueReadsBack(RegistryDocument document, std::string_view input) {
    const std::string name(input.substr(0, 8));
    const RegistryValue value{std::string(input)};
    document.Set("Fuzz\\Key", name, value);
    const RegistryDocument reread = RegistryDocument::Parse(document.Serialize());
    const RegistryValue* found = reread.Find("fuzz\\KEY", name);
    Require(found != nullptr && *found == value);

    document.DeleteKey("Fuzz");
    Require(RegistryDocument::Parse(document.Serialize()).Find("Fuzz\\Key", name) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const RegistryDocument document = RegistryDocument::Parse(input);
    CheckStableText(document);
    CheckWrittenValueReadsBack(document, input);
    return 0;
}
