#include "platform/gtk/FilePattern.h"

#include "platform/Text.h"

namespace platform {

std::string CaseInsensitiveGlob(std::string_view pattern) {
    std::string glob;
    bool in_brackets = false;
    for (char c : pattern) {
        // A letter already inside a bracket expression belongs to the set the author wrote.
        if (c == '[')
            in_brackets = true;
        else if (c == ']')
            in_brackets = false;
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter || in_brackets) {
            glob += c;
            continue;
        }
        const char lower = AsciiToLower(c);
        glob += '[';
        glob += lower;
        glob += static_cast<char>(lower - 'a' + 'A');
        glob += ']';
    }
    return glob;
}

}  // namespace platform
