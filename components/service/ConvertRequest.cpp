#include "service/ConvertRequest.h"

#include "service/Protocol.h"

namespace service {
namespace {

constexpr std::size_t kMaxTypeLength = 16;
constexpr std::size_t kMaxStemBytes = 180;
constexpr std::size_t kMd5Digits = 32;

bool IsLowerHex(std::string_view text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// Cuts at most `limit` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return std::string(text);
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

std::optional<RequestInfo> Refuse(Refusal* refusal, int ret, const std::string& msg) {
    refusal->ret = ret;
    refusal->msg = msg;
    return std::nullopt;
}

bool ReadType(const Json::Value& body, const char* key, bool optional, std::string* type) {
    std::string sent;
    if (!ReadString(body, key, &sent, optional))
        return false;
    if (sent.empty() && optional)
        return true;
    const auto normal = NormalizeFileType(sent);
    if (!normal)
        return false;
    *type = *normal;
    return true;
}

bool ReadFeedbackFields(const Json::Value& body, RequestInfo* info) {
    return ReadString(body, "email", &info->email, true) &&
           ReadString(body, "phone", &info->phone, true) &&
           ReadString(body, "suggestion", &info->suggestion, true);
}

}  // namespace

std::optional<std::string> NormalizeFileType(std::string_view type) {
    if (!type.empty() && type.front() == '.')
        type.remove_prefix(1);
    if (type.empty() || type.size() > kMaxTypeLength)
        return std::nullopt;
    std::string normal;
    for (const char c : type) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9'))
            return std::nullopt;
        normal += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return normal;
}

std::string SafeStem(std::string_view filename) {
    // Clients on Windows send "C:\\folder\\name.pdf".
    const std::size_t slash = filename.find_last_of("/\\");
    if (slash != std::string_view::npos)
        filename.remove_prefix(slash + 1);
    const std::size_t dot = filename.rfind('.');
    if (dot != std::string_view::npos && dot > 0)
        filename = filename.substr(0, dot);
    std::string stem;
    for (const char c : filename) {
        if (c != '\0' && c != ':' && static_cast<unsigned char>(c) >= 0x20)
            stem += c;
    }
    while (!stem.empty() && (stem.front() == '.' || stem.front() == ' '))
        stem.erase(stem.begin());
    stem = CutUtf8(stem, kMaxStemBytes);
    return stem.empty() ? "file" : stem;
}

std::optional<RequestInfo> ParseConvertRequest(const Json::Value& body, RequestKind kind,
                                               std::uint64_t max_upload, Refusal* refusal) {
    RequestInfo info;
    info.kind = kind;
    const bool conversion = kind == RequestKind::kConversion;
    std::int64_t length = 0;
    if (!ReadString(body, "filename", &info.filename) || info.filename.empty() ||
        !ReadType(body, "file_type", false, &info.file_type) ||
        !ReadType(body, "target_file_type", !conversion, &info.target_file_type) ||
        !ReadString(body, "md5", &info.md5) || !ReadInt64(body, "file_length", &length) ||
        !ReadInt(body, "pages", &info.pages, true))
        return Refuse(refusal, kRetBadRequest, "missing or mistyped request fields");
    if (conversion && (!ReadInt(body, "convert_type", &info.convert_type) ||
                       (info.convert_type != 1 && info.convert_type != 2)))
        return Refuse(refusal, kRetBadRequest, "convert_type must be 1 or 2");
    if (!conversion && !ReadFeedbackFields(body, &info))
        return Refuse(refusal, kRetBadRequest, "email, phone and suggestion must be strings");
    const Json::Value& custom = body["custom_data"];
    if (!custom.isNull() && !custom.isObject() && !custom.isString())
        return Refuse(refusal, kRetBadRequest, "custom_data must be an object");
    info.custom_data = custom;
    if (info.md5.size() != kMd5Digits || !IsLowerHex(info.md5))
        return Refuse(refusal, kRetBadRequest, "md5 must be 32 lower-case hex digits");
    if (info.pages < 0 || length <= 0)
        return Refuse(refusal, kRetBadRequest, "file_length must be positive, pages not negative");
    if (static_cast<std::uint64_t>(length) > max_upload)
        return Refuse(refusal, kRetTooLarge, "the file is too large");
    info.file_length = static_cast<std::uint64_t>(length);
    info.stem = SafeStem(info.filename);
    return info;
}

}  // namespace service
