#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tasks {

// MD5 (RFC 1321), used only to name temporary files after their source's content; nothing here
// relies on it for security.
class Md5 {
public:
    Md5();
    void Update(std::string_view bytes);
    // Lower-case hexadecimal digest. The object is spent afterwards.
    std::string FinishHex();

private:
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::uint64_t length_ = 0;  // bytes hashed so far
};

std::string Md5Hex(std::string_view bytes);

// Reads the file in 1024-byte blocks; nullopt when it is not a regular file or cannot be read
// to the end.
std::optional<std::string> Md5HexOfFile(const std::filesystem::path& path);

}  // namespace tasks
