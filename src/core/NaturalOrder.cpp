#include "core/NaturalOrder.h"

#include "platform/Text.h"

namespace natural_order {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digit run at `pos`, without its leading zeros; `pos` moves past the run.
std::string_view TakeNumber(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    std::string_view run = text.substr(start, pos - start);
    while (run.size() > 1 && run.front() == '0')
        run.remove_prefix(1);
    return run;
}

int CompareNumbers(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const int numbers = CompareNumbers(TakeNumber(a, i), TakeNumber(b, j));
            if (numbers != 0)
                return numbers;
            continue;
        }
        const auto ca = static_cast<unsigned char>(platform::AsciiToLower(a[i++]));
        const auto cb = static_cast<unsigned char>(platform::AsciiToLower(b[j++]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

}  // namespace

int Compare(std::string_view a, std::string_view b) {
    const int logical = CompareIgnoringCase(a, b);
    return logical != 0 ? logical : a.compare(b);
}

}  // namespace natural_order
