#include "service/UrlSigner.h"

#include <charconv>

#include "service/Crypto.h"

namespace service {
namespace {

constexpr std::size_t kKeyBytes = 32;

std::string Query(std::int64_t expires, const std::string& sig) {
    return "?expires=" + std::to_string(expires) + "&sig=" + sig;
}

bool ParseUnix(std::string_view text, std::int64_t* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

UrlSigner UrlSigner::WithRandomKey() {
    return UrlSigner(RandomHex(kKeyBytes));
}

std::string UrlSigner::UploadUrl(std::string_view base, std::string_view req_id, int part,
                                 std::int64_t expires) const {
    const std::string resource = std::string(req_id) + "\n" + std::to_string(part);
    const std::string expiry = std::to_string(expires);
    return std::string(base) + "/storage/" + std::string(req_id) + "/" + std::to_string(part) +
           Query(expires, Signature("PUT", resource, expiry));
}

std::string UrlSigner::DownloadUrl(std::string_view base, std::string_view req_id,
                                   std::int64_t expires) const {
    return std::string(base) + "/download/" + std::string(req_id) +
           Query(expires, Signature("GET", req_id, std::to_string(expires)));
}

bool UrlSigner::VerifyUpload(std::string_view req_id, int part, std::string_view expires,
                             std::string_view sig, std::int64_t now) const {
    const std::string resource = std::string(req_id) + "\n" + std::to_string(part);
    return Verify("PUT", resource, expires, sig, now);
}

bool UrlSigner::VerifyDownload(std::string_view req_id, std::string_view expires,
                               std::string_view sig, std::int64_t now) const {
    return Verify("GET", req_id, expires, sig, now);
}

std::string UrlSigner::Signature(std::string_view method, std::string_view resource,
                                 std::string_view expires) const {
    std::string message;
    message.append(method).append("\n").append(resource).append("\n").append(expires);
    return HmacSha256Hex(key_, message);
}

bool UrlSigner::Verify(std::string_view method, std::string_view resource, std::string_view expires,
                       std::string_view sig, std::int64_t now) const {
    std::int64_t expiry = 0;
    if (!ParseUnix(expires, &expiry) || expiry < now)
        return false;
    return SameSecret(Signature(method, resource, expires), sig);
}

}  // namespace service
