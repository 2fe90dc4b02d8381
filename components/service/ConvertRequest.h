#pragma once

#include <json/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "service/RequestStore.h"

namespace service {

struct Refusal {
    int ret = 0;
    std::string msg;
};

// The request fields of a convert (or feedback) body, checked: the answer's ret and reason in
// `refusal` when they do not hold. Leaves req_id, uid and the upload plan to the caller.
std::optional<RequestInfo> ParseConvertRequest(const Json::Value& body, RequestKind kind,
                                               std::uint64_t max_upload, Refusal* refusal);

// A file type as sent ("PDF", ".docx") in lower case without the dot; nullopt unless it is
// 1 to 16 letters and digits.
std::optional<std::string> NormalizeFileType(std::string_view type);

// The name of the client's file without folders and extension, safe to use as a file name
// here; "file" when nothing usable is left.
std::string SafeStem(std::string_view filename);

}  // namespace service
