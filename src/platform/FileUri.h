#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// "file://" URI of an absolute path, every byte outside the unreserved set and "/" escaped.
std::string FileUriFromPath(std::string_view absolute_path);

// The local path of a "file://" URI ("file:///p" or "file://localhost/p"), percent-decoded.
// Nullopt for any other scheme or host, a malformed escape, or a decoded NUL byte.
std::optional<std::string> PathFromFileUri(std::string_view uri);

}  // namespace platform
