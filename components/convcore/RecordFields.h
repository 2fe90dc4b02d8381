#pragma once

#include <json/value.h>

#include <string>

// Reading command records that come from another process: a member of the wrong type reads as
// absent instead of throwing.
namespace convcore {

// A string member as it is; empty when absent, not a string, or `record` is not an object.
std::string TextField(const Json::Value& record, const char* key);

// An integer member (a whole real number counts); `fallback` otherwise.
int IntField(const Json::Value& record, const char* key, int fallback);

}  // namespace convcore
