#include "convcore/RecordFields.h"

namespace convcore {
namespace {

const Json::Value* Member(const Json::Value& record, const char* key) {
    return record.isObject() ? record.find(key, key + std::char_traits<char>::length(key))
                             : nullptr;
}

}  // namespace

std::string TextField(const Json::Value& record, const char* key) {
    const Json::Value* member = Member(record, key);
    return member != nullptr && member->isString() ? member->asString() : std::string();
}

int IntField(const Json::Value& record, const char* key, int fallback) {
    const Json::Value* member = Member(record, key);
    return member != nullptr && member->isInt() ? member->asInt() : fallback;
}

}  // namespace convcore
