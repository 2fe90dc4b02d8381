#include "core/JsonWire.h"

#include <json/reader.h>
#include <json/writer.h>

#include <exception>
#include <memory>

namespace json_wire {
namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxLength = 16u << 20;
constexpr const char* kMask = "******";

void Mask(Json::Value& value) {
    if (value.isArray()) {
        for (auto& item : value)
            Mask(item);
        return;
    }
    if (!value.isObject())
        return;
    for (const auto& name : value.getMemberNames()) {
        Json::Value& member = value[name];
        if (name == "password" && !(member.isString() && member.asString().empty()))
            member = kMask;
        else
            Mask(member);
    }
}

}  // namespace

std::string Write(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

bool Parse(std::string_view text, Json::Value* value) {
    if (text.size() > kMaxLength)
        return false;
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = kMaxDepth;
    builder["failIfExtra"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value parsed;
    // The reader throws, rather than failing, when the nesting limit is passed.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, nullptr))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    *value = std::move(parsed);
    return true;
}

std::string AsText(const Json::Value& value) {
    return value.isString() ? value.asString() : Write(value);
}

std::string Redacted(std::string_view text) {
    if (text.find("password") == std::string_view::npos)
        return std::string(text);
    Json::Value value;
    if (!Parse(text, &value))
        return kMask;
    Mask(value);
    return Write(value);
}

}  // namespace json_wire
