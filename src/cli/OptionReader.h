#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

// Typed reading of a function's options. The first problem found is kept as the usage error;
// every read still returns a usable value so a builder can carry on and report once.
class OptionReader {
public:
    using Choices = std::vector<std::pair<std::string_view, int>>;

    explicit OptionReader(const std::map<std::string, std::string>& options);

    bool Has(std::string_view name) const;
    std::string Text(std::string_view name, std::string_view fallback = "") const;
    // One of `choices` (compared without regard to ASCII case), `fallback` when absent.
    int Choice(std::string_view name, const Choices& choices, int fallback);
    // A decimal number in [low, high], `fallback` when absent.
    int Number(std::string_view name, int low, int high, int fallback);
    // A decimal number brought into [low, high], as the windows' option boxes correct a value
    // when they lose the focus; only text that is not a number is an error.
    int Clamped(std::string_view name, int low, int high, int fallback);

    void Fail(std::string message);
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

private:
    // The value when it is a whole decimal number (sign allowed), else records the error.
    bool ReadInteger(std::string_view name, long long* value);

    const std::map<std::string, std::string>& options_;
    std::string error_;
};

}  // namespace cli
