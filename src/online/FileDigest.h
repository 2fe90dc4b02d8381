#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The MD5 digests the service checks uploads against.
struct Md5Digest {
    std::string hex;     // 32 lower-case hexadecimal digits
    std::string base64;  // 24 characters, "=" padded, of the 16 digest bytes
};

// Reads the file in blocks; nullopt when it cannot be read or `cancelled` turns true.
std::optional<Md5Digest> DigestFile(const std::filesystem::path& file,
                                    const std::function<bool()>& cancelled = {});
Md5Digest DigestBytes(std::string_view bytes);
