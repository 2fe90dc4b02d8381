#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <string_view>

// Reading and writing the service's JSON. Answers come from the network: a member of the
// wrong type counts as absent, never as an error or an exception.
namespace service_json {

// Parses an answer text; nullopt when it is not a JSON object (or is too deep or too long).
std::optional<Json::Value> ParseObject(std::string_view text);

// A member of `object` (which may be any value) by a path of keys, each an object member.
std::optional<int> IntAt(const Json::Value& object, std::initializer_list<const char*> path);
std::optional<std::string> StringAt(const Json::Value& object,
                                    std::initializer_list<const char*> path);
const Json::Value* ValueAt(const Json::Value& object, std::initializer_list<const char*> path);

// "resp_common"/"ret" when it is an integer.
std::optional<int> RetOf(const Json::Value& answer);

// Compact text with sorted keys and a final newline, as every request body is sent.
std::string Write(const Json::Value& body);

// Every JSON escape of the ampersand (backslash, "u0026") in `text` turned into "&".
std::string UnescapeAmpersands(std::string_view text);

}  // namespace service_json
