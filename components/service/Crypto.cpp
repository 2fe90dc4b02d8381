#include "service/Crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cstdlib>
#include <vector>

namespace service {

struct Md5Stream::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Md5Stream::Md5Stream() : context_(std::make_unique<Context>()) {
    EVP_DigestInit_ex(context_->ctx, EVP_md5(), nullptr);
}

Md5Stream::~Md5Stream() = default;

void Md5Stream::Add(std::string_view bytes) {
    EVP_DigestUpdate(context_->ctx, bytes.data(), bytes.size());
}

std::string Md5Stream::Finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->ctx, digest, &length);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string Md5Raw(std::string_view bytes) {
    Md5Stream md5;
    md5.Add(bytes);
    return md5.Finish();
}

std::string HexOf(std::string_view raw) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(raw.size() * 2);
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::string Base64Of(std::string_view raw) {
    std::string text(4 * ((raw.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                       reinterpret_cast<const unsigned char*>(raw.data()),
                                       static_cast<int>(raw.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string HmacSha256Hex(std::string_view key, std::string_view message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &length);
    return HexOf(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return HexOf(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string RandomHex(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    // Without entropy no identifier can be trusted; the process has nothing sensible to do.
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1)
        std::abort();
    return HexOf(std::string_view(reinterpret_cast<const char*>(bytes.data()), count));
}

bool SameSecret(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace service
