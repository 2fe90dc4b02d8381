#pragma once

#include <json/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The wire form of the service's JSON answers and the checks every request body goes through.
namespace service {

enum Ret : int {
    kRetOk = 0,
    kRetBadToken = 4001002,
    kRetBadRequest = 4000001,
    kRetTooLarge = 4000002,
    kRetUnknownRequest = 4000003,
    kRetUploadIncomplete = 4000004,
    kRetInternal = 5000001,
};

enum ConversionStatus : int { kStatusWorking = 1, kStatusDone = 2, kStatusFailed = 3 };

// {"resp_common": {"ret", "msg"}}, to which a route adds its own keys.
Json::Value MakeAnswer(int ret, const std::string& msg);

// Compact UTF-8 JSON in which every "&" is written as \u0026, as clients expect of addresses.
std::string WriteAnswer(const Json::Value& answer);

// Strict JSON (no trailing text, no repeated keys, nesting at most 32 deep); false with the
// reason.
bool ParseJson(std::string_view text, Json::Value* value, std::string* error);

// A JSON object, or nullopt for anything else (malformed text, an array, a bare value).
std::optional<Json::Value> ParseObject(std::string_view text);

struct Common {
    std::string uid;
    std::string token;
    std::string app_id;
    std::string request_id;
    bool is_tourist = false;
};

// The "common" object every request carries; nullopt when it or one of its keys is missing or
// of the wrong type.
std::optional<Common> ParseCommon(const Json::Value& body);

// Typed reads of one key: false when it is missing (unless optional) or of the wrong type;
// an absent optional key leaves `*value` as it was.
bool ReadString(const Json::Value& body, const char* key, std::string* value,
                bool optional = false);
bool ReadInt(const Json::Value& body, const char* key, int* value, bool optional = false);
bool ReadInt64(const Json::Value& body, const char* key, std::int64_t* value);

}  // namespace service
