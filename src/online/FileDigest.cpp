#include "online/FileDigest.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>
#include <vector>

namespace {

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Md5Digest Describe(const unsigned char* digest, unsigned length) {
    static constexpr char kHex[] = "0123456789abcdef";
    Md5Digest result;
    for (unsigned i = 0; i < length; ++i) {
        result.hex += kHex[digest[i] >> 4];
        result.hex += kHex[digest[i] & 15];
    }
    std::array<unsigned char, 4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1> encoded{};
    const int written = EVP_EncodeBlock(encoded.data(), digest, static_cast<int>(length));
    result.base64.assign(reinterpret_cast<const char*>(encoded.data()), written);
    return result;
}

std::optional<Md5Digest> Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1)
        return std::nullopt;
    return Describe(digest, length);
}

}  // namespace

std::optional<Md5Digest> DigestFile(const std::filesystem::path& file,
                                    const std::function<bool()>& cancelled) {
    std::ifstream stream(file, std::ios::binary);
    DigestContext context(EVP_MD_CTX_new());
    if (!stream || !context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1)
        return std::nullopt;
    std::vector<char> block(1 << 20);
    while (stream) {
        if (cancelled && cancelled())
            return std::nullopt;
        stream.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto length = static_cast<std::size_t>(stream.gcount());
        if (length > 0)
            EVP_DigestUpdate(context.get(), block.data(), length);
    }
    if (!stream.eof())
        return std::nullopt;
    return Finish(context.get());
}

Md5Digest DigestBytes(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    return Describe(digest, length);
}
