#include "report/FileNameEncoding.h"

#include "platform/Text.h"

namespace report {
namespace {

constexpr std::string_view kDigits =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

std::string Base62Number(std::uint64_t number) {
    std::string digits;
    do {
        digits += kDigits[number % kDigits.size()];
        number /= kDigits.size();
    } while (number != 0);
    // A 64-bit number has at most 11 base-62 digits, so the count is always one digit.
    return kDigits[digits.size()] + digits;
}

std::string EncodeFileName(std::string_view utf8_name) {
    const std::u16string units = platform::Utf8ToUtf16(utf8_name);
    std::string encoded = Base62Number(kFileNameMask) + Base62Number(units.size());
    std::uint16_t checksum = 0;
    for (char16_t unit : units) {
        encoded += Base62Number(static_cast<std::uint16_t>(unit ^ kFileNameMask));
        checksum ^= static_cast<std::uint16_t>(unit);
    }
    return encoded + Base62Number(checksum);
}

}  // namespace report
