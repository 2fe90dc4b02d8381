#include "online/UploadInstructions.h"

#include <cstdlib>

#include "app/AsynLog.h"
#include "online/KRequest.h"
#include "online/ServiceJson.h"

namespace {

using service_json::IntAt;
using service_json::StringAt;

// More parts than any real upload has: a service naming more is not believed.
constexpr int kMaxPartNumber = 100000;

// "trunk_size" is a decimal string; anything else, or a size past the bound, gives 0.
std::int64_t BlockSizeOf(const Json::Value& answer, std::int64_t bound) {
    const std::optional<std::string> text = StringAt(answer, {"multipart_upload", "trunk_size"});
    if (!text)
        return 0;
    const long long size = std::strtoll(text->c_str(), nullptr, 10);
    return size > 0 && size <= bound ? size : 0;
}

std::map<int, std::string> AddressesOf(const Json::Value& answer) {
    std::map<int, std::string> addresses;
    if (const auto url = StringAt(answer, {"normal_upload", "url"})) {
        addresses[0] = *url;
        return addresses;
    }
    const Json::Value* parts = service_json::ValueAt(answer, {"multipart_upload", "trunk_urls"});
    if (!parts || !parts->isArray())
        return addresses;
    for (const Json::Value& part : *parts) {
        const std::optional<int> number = IntAt(part, {"part_num"});
        const std::optional<std::string> url = StringAt(part, {"url"});
        if (number && url && *number >= 1 && *number <= kMaxPartNumber)
            addresses[*number] = *url;
    }
    return addresses;
}

}  // namespace

std::optional<UploadInstructions> ParseUploadInstructions(const Json::Value& answer,
                                                          std::int64_t max_block_size) {
    const std::optional<int> ret = service_json::RetOf(answer);
    if (ret && *ret != 0)
        return std::nullopt;
    UploadInstructions info;
    info.request_id =
        StringAt(answer, {"convert_req_id"}).value_or(StringAt(answer, {"req_id"}).value_or(""));
    info.upload_type = IntAt(answer, {"upload_type"}).value_or(-1);
    if (info.request_id.empty() || info.upload_type < 0)
        return std::nullopt;
    info.block_size = BlockSizeOf(answer, max_block_size);
    info.addresses = AddressesOf(answer);
    for (const auto& [part, address] : info.addresses) {
        if (!IsWebAddress(address)) {
            keasy::AsynLog::Instance().Print(
                "KSvrTask::ParseUploadInfo refused address, part:%d, url:%s", part, address);
            return std::nullopt;
        }
    }
    if (info.upload_type > 0 && info.addresses.empty())
        return std::nullopt;
    return info;
}
