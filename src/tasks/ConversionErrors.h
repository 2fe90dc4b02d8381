#pragma once

#include <string>
#include <string_view>

namespace tasks {

// The user-facing class of a conversion failure.
struct ErrorInfo {
    int code = 0;
    std::string message;

    bool operator==(const ErrorInfo&) const = default;
};

// Four service codes map to fixed texts whatever the message says; every other code is
// classified by what the message begins with (case-sensitive), else it keeps its code with an
// empty text.
ErrorInfo MapConversionError(int code, std::string_view message);

}  // namespace tasks
