#pragma once

#include <json/value.h>

#include <cstdint>
#include <string>

#include "service/FaultPlan.h"

namespace service {

inline constexpr std::uint64_t kHugePadding = 64 * 1024 * 1024;

// What the service sends instead of `normal`: `leading_spaces` spaces, then `body`. The
// padding is streamed, never held in memory.
struct MalformedAnswer {
    std::uint64_t leading_spaces = 0;
    std::string body;
    std::string content_type = "application/json";
};

MalformedAnswer SpoilAnswer(Malformed kind, const Json::Value& normal);

// Every value replaced by one of another JSON type; objects keep their keys, so that a client
// finds each key it looks for and must notice the type.
Json::Value WithWrongTypes(const Json::Value& value);

}  // namespace service
