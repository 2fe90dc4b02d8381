#include "convcore/CoreArguments.h"

#include <charconv>
#include <set>
#include <string_view>

#include "platform/Text.h"

namespace convcore {
namespace {

bool ParseId(std::string_view text, int* id) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, *id);
    return failure == std::errc() && stop == end;
}

bool ParseFlag(std::string_view text, bool* flag) {
    const std::string lower = platform::AsciiToLower(text);
    *flag = lower == "true" || lower == "1";
    return *flag || lower == "false" || lower == "0";
}

// Applies one "-name:value" option; false with the reason when it does not fit.
bool ApplyOption(std::string_view name, std::string_view value, CoreArguments* parsed,
                 std::string* error) {
    if (name == "core") {
        if (ParseId(value, &parsed->core_id))
            return true;
        *error = "the core id is not a number: " + std::string(value);
    } else if (name == "server") {
        parsed->server_name = value;
        if (!value.empty())
            return true;
        *error = "the server name is empty";
    } else if (name == "multi_task") {
        if (ParseFlag(value, &parsed->multi_task))
            return true;
        *error = "-multi_task takes true or false, not " + std::string(value);
    } else {
        *error = "unknown option -" + std::string(name);
    }
    return false;
}

}  // namespace

std::optional<CoreArguments> ParseCoreArguments(const std::vector<std::string>& arguments,
                                                std::string* error) {
    CoreArguments parsed;
    std::set<std::string> seen;
    for (const std::string& argument : arguments) {
        std::string_view text = argument;
        if (text.starts_with("--"))
            text.remove_prefix(2);
        else if (text.starts_with("-"))
            text.remove_prefix(1);
        const auto colon = text.find(':');
        if (text.size() == argument.size() || colon == std::string_view::npos) {
            *error = "not an option of the form -name:value: " + argument;
            return std::nullopt;
        }
        const std::string name = platform::AsciiToLower(text.substr(0, colon));
        if (!seen.insert(name).second) {
            *error = "option given twice: -" + name;
            return std::nullopt;
        }
        if (!ApplyOption(name, text.substr(colon + 1), &parsed, error))
            return std::nullopt;
    }
    if (!seen.contains("core") || !seen.contains("server")) {
        *error = "usage: quire-core -core:<id> -server:<name> [-multi_task:true]";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace convcore
