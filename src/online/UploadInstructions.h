#pragma once

#include <json/value.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// What the service answers to an upload request: where and how to upload.
struct UploadInstructions {
    std::string request_id;
    int upload_type = -1;         // 0 already stored, 1 in one piece, 2 in parts
    std::int64_t block_size = 0;  // of a multipart upload; 0 when unusable
    // Part number → upload address; the single upload's address is part 0.
    std::map<int, std::string> addresses;
};

// Reads the answer's instructions. Nullopt when its "ret" is present and not 0, when it names
// no request id, no usable upload type, or (for an upload) no address, or when any address is
// not an http or https address. A block size above `max_block_size` counts as none.
std::optional<UploadInstructions> ParseUploadInstructions(const Json::Value& answer,
                                                          std::int64_t max_block_size);
