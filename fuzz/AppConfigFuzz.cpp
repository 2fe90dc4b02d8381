// Arbitrary bytes as common.dat: the decode and parse must never fail hard, and a configuration
// that loads must say the same as the text it was decoded from.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/Base64.h"
#include "app/KAppConfig.h"

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    KAppConfig config;
    const bool loaded = config.LoadFromBytes(input);
    const auto decoded = base64::Decode(input);
    Require(!decoded || decoded->size() <= size / 4 * 3 + 2);
    if (!loaded)
        return 0;
    Require(decoded.has_value());
    const std::string text = decoded->substr(0, decoded->find('\0'));
    Require(!text.empty());
    IniDocument same;
    Require(same.Parse(text));
    Require(same.sections() == config.config().sections());
    return 0;
}
