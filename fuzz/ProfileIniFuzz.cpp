// Arbitrary text as a profile file: parsing keeps every byte, and a key written into any file
// reads back while the rest of the file stays as it was.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/ProfileIni.h"

namespace {

using profile::ProfileDocument;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

// The names come from the input itself, so they are full of the file's own syntax.
void CheckWrite(std::string_view input) {
    const std::string_view section = input.substr(0, 6);
    const std::string_view key = input.substr(std::min<std::size_t>(6, input.size()), 6);
    const std::string_view value = input.substr(std::min<std::size_t>(12, input.size()), 10);
    if (!ProfileDocument::CanWrite(section, key, value) || IsQuoted(value))
        return;
    ProfileDocument document = ProfileDocument::Parse(input);
    document.Set(section, key, value);
    const std::string text = document.Serialize();
    Require(document.Find(section, key) == std::string(value));
    Require(ProfileDocument::Parse(text).Find(section, key) == std::string(value));

    // Setting the same value again changes nothing.
    document.Set(section, key, value);
    Require(document.Serialize() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Require(ProfileDocument::Parse(input).Serialize() == input);
    CheckWrite(input);
    return 0;
}
