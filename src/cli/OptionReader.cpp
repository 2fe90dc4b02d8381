#include "cli/OptionReader.h"

#include <algorithm>
#include <charconv>

#include "platform/Format.h"
#include "platform/Text.h"

namespace cli {

OptionReader::OptionReader(const std::map<std::string, std::string>& options) : options_(options) {}

bool OptionReader::Has(std::string_view name) const {
    return options_.contains(std::string(name));
}

std::string OptionReader::Text(std::string_view name, std::string_view fallback) const {
    const auto found = options_.find(std::string(name));
    return found == options_.end() ? std::string(fallback) : found->second;
}

int OptionReader::Choice(std::string_view name, const Choices& choices, int fallback) {
    if (!Has(name))
        return fallback;
    const std::string value = Text(name);
    std::string names;
    for (const auto& [choice, code] : choices) {
        if (platform::EqualsIgnoreAsciiCase(value, choice))
            return code;
        names += (names.empty() ? "" : "|") + std::string(choice);
    }
    Fail(platform::Format("--%s: '%s' is not one of %s", name, value, names));
    return fallback;
}

int OptionReader::Number(std::string_view name, int low, int high, int fallback) {
    long long value = 0;
    if (!Has(name) || !ReadInteger(name, &value))
        return fallback;
    if (value < low || value > high) {
        Fail(platform::Format("--%s: %s is outside %d..%d", name, Text(name), low, high));
        return fallback;
    }
    return static_cast<int>(value);
}

int OptionReader::Clamped(std::string_view name, int low, int high, int fallback) {
    long long value = 0;
    if (!Has(name) || !ReadInteger(name, &value))
        return fallback;
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

void OptionReader::Fail(std::string message) {
    if (error_.empty())
        error_ = std::move(message);
}

bool OptionReader::ReadInteger(std::string_view name, long long* value) {
    const std::string text = Text(name);
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(begin, end, *value);
    if (begin == end || stop != end || error != std::errc()) {
        Fail(platform::Format("--%s: '%s' is not a whole number", name, text));
        return false;
    }
    return true;
}

}  // namespace cli
