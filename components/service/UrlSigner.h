#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace service {

// Storage and download addresses carry an expiry and an HMAC over what they allow, so that
// the service hands out capabilities without keeping a table of them. The key lives only in
// this process: addresses die with it, as do the requests they point at.
class UrlSigner {
public:
    explicit UrlSigner(std::string key) : key_(std::move(key)) {}
    static UrlSigner WithRandomKey();

    // "<base>/storage/<req_id>/<part>?expires=<unix>&sig=<hex>"
    std::string UploadUrl(std::string_view base, std::string_view req_id, int part,
                          std::int64_t expires) const;
    // "<base>/download/<req_id>?expires=<unix>&sig=<hex>"
    std::string DownloadUrl(std::string_view base, std::string_view req_id,
                            std::int64_t expires) const;

    // `expires` and `sig` as they came in the query; false when either is wrong or the
    // expiry is before `now` (unix seconds).
    bool VerifyUpload(std::string_view req_id, int part, std::string_view expires,
                      std::string_view sig, std::int64_t now) const;
    bool VerifyDownload(std::string_view req_id, std::string_view expires, std::string_view sig,
                        std::int64_t now) const;

private:
    std::string Signature(std::string_view method, std::string_view resource,
                          std::string_view expires) const;
    bool Verify(std::string_view method, std::string_view resource, std::string_view expires,
                std::string_view sig, std::int64_t now) const;

    std::string key_;  // fixed at construction
};

}  // namespace service
