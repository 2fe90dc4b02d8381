#include "online/ServiceJson.h"

#include <json/reader.h>
#include <json/writer.h>

#include <memory>

namespace service_json {

namespace {

constexpr std::size_t kMaxAnswerBytes = 4u << 20;
constexpr int kMaxDepth = 32;

}  // namespace

std::optional<Json::Value> ParseObject(std::string_view text) {
    if (text.size() > kMaxAnswerBytes)
        return std::nullopt;
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = kMaxDepth;
    builder["collectComments"] = false;
    builder["failIfExtra"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    // The reader throws when the nesting passes its limit, whatever the settings say.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
            return std::nullopt;
    } catch (const Json::Exception&) {
        return std::nullopt;
    }
    if (!value.isObject())
        return std::nullopt;
    return value;
}

const Json::Value* ValueAt(const Json::Value& object, std::initializer_list<const char*> path) {
    const Json::Value* current = &object;
    for (const char* key : path) {
        if (!current->isObject())
            return nullptr;
        current = current->find(key, key + std::char_traits<char>::length(key));
        if (!current)
            return nullptr;
    }
    return current;
}

std::optional<int> IntAt(const Json::Value& object, std::initializer_list<const char*> path) {
    const Json::Value* value = ValueAt(object, path);
    if (!value || !value->isInt())
        return std::nullopt;
    return value->asInt();
}

std::optional<std::string> StringAt(const Json::Value& object,
                                    std::initializer_list<const char*> path) {
    const Json::Value* value = ValueAt(object, path);
    if (!value || !value->isString())
        return std::nullopt;
    return value->asString();
}

std::optional<int> RetOf(const Json::Value& answer) {
    return IntAt(answer, {"resp_common", "ret"});
}

std::string Write(const Json::Value& body) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, body) + "\n";
}

std::string UnescapeAmpersands(std::string_view text) {
    static constexpr std::string_view kEscape = "\\u0026";
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text.substr(at, kEscape.size()) == kEscape) {
            plain += '&';
            at += kEscape.size();
        } else {
            plain += text[at++];
        }
    }
    return plain;
}

}  // namespace service_json
