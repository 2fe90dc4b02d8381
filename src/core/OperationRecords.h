#pragma once

#include <json/value.h>

#include <string>

// Pieces that many command records share.
namespace operation_records {

// A record with "cmd", "source_path" and "target_path", in that order.
Json::Value SourceAndTarget(const std::string& cmd, const std::string& source,
                            const std::string& target);

// A record with "cmd" and "target_path".
Json::Value TargetOnly(const std::string& cmd, const std::string& target);

}  // namespace operation_records
