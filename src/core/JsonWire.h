#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

// JSON as it travels between the program and its cores: one compact line with members in
// ascending key order, ending in a newline.
namespace json_wire {

std::string Write(const Json::Value& value);

// False for anything that is not one JSON value, nests too deeply or is too long.
bool Parse(std::string_view text, Json::Value* value);

// The value as text: a string as it is, anything else as its compact form (with the newline).
std::string AsText(const Json::Value& value);

// A copy of a record's text fit for the log: every non-empty "password" member, at any depth,
// is masked. Text that mentions a password but does not parse is masked whole.
std::string Redacted(std::string_view text);

}  // namespace json_wire
