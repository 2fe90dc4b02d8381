#pragma once

#include <string>

#include "platform/Text.h"

namespace platform {

// GTK and D-Bus refuse text that is not UTF-8; bad bytes show as U+FFFD instead.
inline std::string ValidUtf8(const std::string& text) {
    return IsValidUtf8(text) ? text : Utf16ToUtf8(Utf8ToUtf16(text));
}

}  // namespace platform
