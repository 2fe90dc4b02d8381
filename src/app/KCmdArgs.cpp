#include "app/KCmdArgs.h"

#include <algorithm>

#include "app/CommandLineSplit.h"
#include "platform/Text.h"

namespace {

// Absolute paths start with "/" as well, so an argument whose key would hold a "/" is a path
// ("/home/me/a.pdf"), while "/type:1" and "/kpath:/home/me/a.pdf" stay switches.
bool IsSwitch(std::string_view argument) {
    if (argument.empty() || (argument.front() != '/' && argument.front() != '-'))
        return false;
    const std::size_t key_start = argument.find_first_not_of("/-");
    if (key_start == std::string_view::npos)
        return true;
    const std::size_t key_end = argument.find_first_of(":=", key_start);
    return argument.substr(key_start, key_end - key_start).find('/') == std::string_view::npos;
}

struct SplitSwitch {
    std::string key;
    std::string value;
};

// "--key:=value" → key "key", value "value"; the value is empty without a separator.
SplitSwitch SplitSwitchArgument(std::string_view argument) {
    argument.remove_prefix(std::min(argument.find_first_not_of("/-"), argument.size()));
    const std::size_t separator = argument.find_first_of(":=");
    if (separator == std::string_view::npos)
        return {std::string(argument), {}};
    std::string_view value = argument.substr(separator);
    value.remove_prefix(std::min(value.find_first_not_of(":="), value.size()));
    return {std::string(argument.substr(0, separator)), std::string(value)};
}

// An empty argument must be written as a pair of quotes or the split would lose it.
std::string PositionalForCommandLine(std::string_view argument) {
    return argument.empty() ? "\"\"" : QuoteCommandLineArgument(argument);
}

}  // namespace

KCmdArgs::KCmdArgs(const std::vector<std::string>& arguments) {
    Parse(arguments);
}

KCmdArgs::KCmdArgs(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    Parse(arguments);
}

void KCmdArgs::Parse(const std::vector<std::string>& arguments) {
    std::size_t i = 0;
    while (i < arguments.size()) {
        const std::string& argument = arguments[i];
        if (i == 0 || !IsSwitch(argument)) {
            positional_.push_back(argument);
            ++i;
            continue;
        }
        SplitSwitch parts = SplitSwitchArgument(argument);
        ++i;
        if (parts.value.empty() && (i >= arguments.size() || !IsSwitch(arguments[i]))) {
            if (i < arguments.size())
                parts.value = arguments[i];
            ++i;
        }
        Store(std::move(parts.key), std::move(parts.value));
    }
}

void KCmdArgs::Store(std::string key, std::string value) {
    if (!key.empty()) {
        values_.insert_or_assign(std::move(key), std::move(value));
        return;
    }
    if (!value.empty())
        positional_.push_back(std::move(value));
}

bool KCmdArgs::HasKey(std::string_view key) const {
    return values_.find(key) != values_.end();
}

bool KCmdArgs::HasValue(std::string_view key) const {
    const auto found = values_.find(key);
    return found != values_.end() && !found->second.empty();
}

int KCmdArgs::GetInt(std::string_view key) const {
    return platform::ParseIntLikeWtoi(GetValue(key));
}

std::string KCmdArgs::GetValue(std::string_view key) const {
    const auto found = values_.find(key);
    return found == values_.end() ? std::string() : found->second;
}

void KCmdArgs::SetValue(std::string_view key, std::string_view value) {
    values_.insert_or_assign(std::string(key), std::string(value));
}

void KCmdArgs::SetQuotedValue(std::string_view key, std::string_view value) {
    SetValue(key, QuoteCommandLineArgument(value));
}

std::string KCmdArgs::ToCommandLine() const {
    std::string line;
    for (const std::string& argument : positional_) {
        line += PositionalForCommandLine(argument);
        line += ' ';
    }
    for (const auto& [key, value] : values_) {
        line += '-';
        line += key;
        if (!value.empty()) {
            line += '=';
            line += value;
        }
        line += ' ';
    }
    return line;
}

std::vector<std::string> ChildArguments(const KCmdArgs& args) {
    std::vector<std::string> arguments = SplitCommandLine(args.ToCommandLine());
    if (!args.Positional().empty() && !arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}
