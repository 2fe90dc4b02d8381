#include "service/Protocol.h"

#include <json/reader.h>
#include <json/writer.h>

#include <exception>
#include <memory>

namespace service {
namespace {

constexpr int kMaxJsonDepth = 32;

void EscapeAmpersands(std::string* text) {
    std::string out;
    out.reserve(text->size());
    for (const char c : *text) {
        if (c == '&')
            out += "\\u0026";
        else
            out += c;
    }
    *text = std::move(out);
}

}  // namespace

Json::Value MakeAnswer(int ret, const std::string& msg) {
    Json::Value answer(Json::objectValue);
    answer["resp_common"]["ret"] = ret;
    answer["resp_common"]["msg"] = msg;
    return answer;
}

std::string WriteAnswer(const Json::Value& answer) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    std::string text = Json::writeString(builder, answer);
    // Outside strings JSON has no "&", so the whole text can be rewritten.
    EscapeAmpersands(&text);
    return text;
}

bool ParseJson(std::string_view text, Json::Value* value, std::string* error) {
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = kMaxJsonDepth;
    builder["failIfExtra"] = true;
    builder["rejectDupKeys"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    // The reader throws when the nesting is too deep, however the rest of it fails.
    try {
        return reader->parse(text.data(), text.data() + text.size(), value, error);
    } catch (const std::exception& exception) {
        *error = exception.what();
        return false;
    }
}

std::optional<Json::Value> ParseObject(std::string_view text) {
    Json::Value value;
    std::string error;
    if (!ParseJson(text, &value, &error) || !value.isObject())
        return std::nullopt;
    return value;
}

std::optional<Common> ParseCommon(const Json::Value& body) {
    const Json::Value& json = body["common"];
    if (!json.isObject())
        return std::nullopt;
    Common common;
    if (!ReadString(json, "uid", &common.uid) || !ReadString(json, "token", &common.token) ||
        !ReadString(json, "app_id", &common.app_id) ||
        !ReadString(json, "request_id", &common.request_id) || !json["is_tourist"].isBool())
        return std::nullopt;
    common.is_tourist = json["is_tourist"].asBool();
    return common;
}

bool ReadString(const Json::Value& body, const char* key, std::string* value, bool optional) {
    const Json::Value* field = body.find(key, key + std::char_traits<char>::length(key));
    if (field == nullptr || field->isNull())
        return optional;
    if (!field->isString())
        return false;
    *value = field->asString();
    return true;
}

bool ReadInt(const Json::Value& body, const char* key, int* value, bool optional) {
    const Json::Value* field = body.find(key, key + std::char_traits<char>::length(key));
    if (field == nullptr || field->isNull())
        return optional;
    if (!field->isInt())
        return false;
    *value = field->asInt();
    return true;
}

bool ReadInt64(const Json::Value& body, const char* key, std::int64_t* value) {
    const Json::Value* field = body.find(key, key + std::char_traits<char>::length(key));
    if (field == nullptr || !field->isInt64())
        return false;
    *value = field->asInt64();
    return true;
}

}  // namespace service
