#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The digests the protocol names (MD5 of uploads, HMAC-SHA256 of signed addresses) and the
// random identifiers the service hands out.
namespace service {

// MD5 over data fed piece by piece, for files too large to hold in memory.
class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void Add(std::string_view bytes);
    // The 16 raw digest bytes; the stream is spent afterwards.
    std::string Finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

std::string Md5Raw(std::string_view bytes);
std::string HexOf(std::string_view raw);
std::string Base64Of(std::string_view raw);
std::string HmacSha256Hex(std::string_view key, std::string_view message);
std::string Sha256Hex(std::string_view bytes);
// `count` bytes from the system's cryptographic generator, as 2 * count hex digits.
std::string RandomHex(std::size_t count);
// Comparison whose time does not depend on where the texts differ.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace service
