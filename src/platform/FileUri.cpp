#include "platform/FileUri.h"

#include "platform/Text.h"

namespace platform {
namespace {

bool IsUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string FileUriFromPath(std::string_view absolute_path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char c : absolute_path) {
        if (IsUnreserved(c)) {
            uri += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        uri += '%';
        uri += kHex[byte >> 4];
        uri += kHex[byte & 0xF];
    }
    return uri;
}

std::optional<std::string> PathFromFileUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (!StartsWithIgnoreAsciiCase(uri, kScheme))
        return std::nullopt;
    uri.remove_prefix(kScheme.size());
    constexpr std::string_view kLocalhost = "localhost";
    if (StartsWithIgnoreAsciiCase(uri, kLocalhost))
        uri.remove_prefix(kLocalhost.size());
    if (uri.empty() || uri.front() != '/')
        return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        if (i + 2 >= uri.size())
            return std::nullopt;
        const int high = HexValue(uri[i + 1]);
        const int low = HexValue(uri[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

}  // namespace platform
