#include "app/CmdLineParser.h"

#include "platform/Text.h"

namespace {

bool NeedsQuotes(std::string_view text) {
    return text.empty() || text.find_first_of(" \t") != std::string_view::npos;
}

std::string Quoted(std::string_view text) {
    if (!NeedsQuotes(text))
        return std::string(text);
    return "\"" + std::string(text) + "\"";
}

std::string QuotedArgument(std::string_view argument) {
    const bool is_switch = !argument.empty() && (argument[0] == '-' || argument[0] == '/');
    const auto colon = argument.find(':');
    if (!is_switch || colon == std::string_view::npos || !NeedsQuotes(argument))
        return Quoted(argument);
    return std::string(argument.substr(0, colon + 1)) + Quoted(argument.substr(colon + 1));
}

}  // namespace

void CCmdLineParser::Store(std::string_view key, std::string_view value) {
    if (key.empty())
        return;
    values_.try_emplace(platform::AsciiToLower(key), value);
}

bool CCmdLineParser::Parse(std::string_view command_line) {
    command_line_ = std::string(command_line);
    values_.clear();
    std::string_view rest = command_line;
    for (;;) {
        const auto dash = rest.find_first_of("-/");
        if (dash == std::string_view::npos || dash + 1 >= rest.size())
            break;
        rest.remove_prefix(dash + 1);
        const auto separator = rest.find_first_of(" :");
        if (separator == std::string_view::npos) {
            Store(rest, {});
            break;
        }
        const std::string_view key = rest.substr(0, separator);
        const bool has_value = rest[separator] == ':' && separator + 1 < rest.size();
        rest.remove_prefix(separator + 1);
        if (!has_value) {
            Store(key, {});
            continue;
        }
        const bool quoted = rest.front() == '"';
        if (quoted)
            rest.remove_prefix(1);
        const auto end = rest.find(quoted ? '"' : ' ');
        if (end == std::string_view::npos) {
            Store(key, rest);
            break;
        }
        Store(key, rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    return !values_.empty();
}

bool CCmdLineParser::HasKey(std::string_view key) const {
    return values_.contains(platform::AsciiToLower(key));
}

std::optional<std::string> CCmdLineParser::GetValue(std::string_view key) const {
    const auto found = values_.find(platform::AsciiToLower(key));
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

bool CCmdLineParser::GetValue(std::string_view key, std::string* value) const {
    auto found = GetValue(key);
    if (found && value)
        *value = std::move(*found);
    return found.has_value();
}

std::string RawCommandLineFromArgv(int argc, const char* const* argv) {
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            command_line += ' ';
        command_line += QuotedArgument(argv[i]);
    }
    return command_line;
}
