// Arbitrary bytes as an answer of the online service: parsing must never fail hard, and
// instructions that are accepted must be usable as they stand.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "online/KRequest.h"
#include "online/ServiceJson.h"
#include "online/UploadInstructions.h"

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string text = service_json::UnescapeAmpersands(input);
    Require(text.size() <= input.size());
    const auto answer = service_json::ParseObject(text);
    if (!answer)
        return 0;
    service_json::IntAt(*answer, {"progress"});
    service_json::StringAt(*answer, {"url"});
    const auto info = ParseUploadInstructions(*answer, 1 << 20);
    if (!info)
        return 0;
    Require(!info->request_id.empty() && info->upload_type >= 0);
    Require(info->block_size >= 0 && info->block_size <= (1 << 20));
    for (const auto& [part, address] : info->addresses)
        Require(part >= 0 && IsWebAddress(address));
    return 0;
}
