// data/kswitch.dat is read from disk: marker, scrambled XML, switch records.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/ProductSwitchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto xml = product_switch::Decode(bytes);
    if (!xml)
        return 0;
    if (product_switch::Encode(*xml) != bytes)
        __builtin_trap();
    const auto groups = product_switch::ParseXml(*xml);
    if (!groups)
        return 0;
    product_switch::InstallationFacts facts;
    facts.try_no = 1;
    for (const auto& [name, records] : *groups)
        for (const auto& record : records)
            product_switch::Evaluate(record, facts, static_cast<int>(size % 100));
    return 0;
}
