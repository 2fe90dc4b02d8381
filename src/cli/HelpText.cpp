#include "cli/HelpText.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/Text.h"

namespace cli {
namespace {

constexpr char kUsageLine[] = "usage: quire-cli FUNCTION [OPTIONS] FILE... [-o DIR]\n";

constexpr char kCommonText[] =
    "Results go next to each source unless -o DIR names a folder (created when missing); an\n"
    "existing file is never overwritten: \"name(1).ext\", \"name(2).ext\" ... are used instead.\n"
    "Ctrl-C cancels the running conversions and removes their partial output.\n"
    "Exit status: 0 every file succeeded, 1 some file failed or was cancelled, 2 usage error.\n";

// A column wide enough for every function name.
constexpr int kNameColumn = 18;
// Option columns wider than this take a line of their own.
constexpr std::size_t kOptionColumn = 30;

std::string OptionColumn(const CliOption& option) {
    std::string text = "--" + std::string(option.name);
    if (!option.value_name.empty())
        text += " " + std::string(option.value_name);
    return text;
}

std::string AcceptedFiles(const CliFunction& function) {
    if (function.extensions.empty())
        return "any file";
    std::string text;
    for (std::string_view extension : function.extensions)
        text += (text.empty() ? "*." : " *.") + std::string(extension);
    return text;
}

}  // namespace

std::string GeneralUsage() {
    std::string text = kUsageLine;
    text += "\nFunctions (the program's function windows):\n";
    for (const CliFunction& function : Functions()) {
        const std::string caption =
            function.caption.empty() ? "" : std::string(function.caption) + ": ";
        text += platform::Format("  %-*s %s%s\n", kNameColumn, function.name, caption,
                                 function.summary);
    }
    text += "\n'quire-cli FUNCTION --help' lists the options of a function.\n\n";
    return text + kCommonText;
}

std::string FunctionUsage(const CliFunction& function) {
    std::string text =
        platform::Format("usage: quire-cli %s [OPTIONS] FILE... [-o DIR]\n", function.name);
    if (!function.caption.empty())
        text += std::string(function.caption) + ": ";
    text += std::string(function.summary) + "\nFiles: " + AcceptedFiles(function) + "\n";
    std::vector<std::pair<std::string, std::string>> rows = {
        {"-o, --output DIR", "folder for the results (default: next to each source)"},
        {"-h, --help", "this text"}};
    for (const CliOption& option : function.options)
        rows.emplace_back(OptionColumn(option), std::string(option.help));
    std::size_t width = 0;
    for (const auto& row : rows) {
        if (platform::CountChars(row.first) <= kOptionColumn)
            width = std::max(width, platform::CountChars(row.first));
    }
    const int column_width = static_cast<int>(width);
    text += "\nOptions:\n";
    for (const auto& [column, help] : rows) {
        // A long list of values gets a line of its own rather than widening every row.
        if (platform::CountChars(column) > kOptionColumn)
            text += platform::Format("  %s\n  %*s  %s\n", column, column_width, "", help);
        else
            text += platform::Format("  %-*s  %s\n", column_width, column, help);
    }
    return text + "\n" + kCommonText;
}

}  // namespace cli
