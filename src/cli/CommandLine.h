#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/FunctionTable.h"

namespace cli {

// What one quire-cli command line asks for.
struct Invocation {
    const CliFunction* function = nullptr;  // null with help for the general usage
    std::vector<std::string> files;
    std::optional<std::string> output_folder;    // -o: unset puts results next to each source
    std::map<std::string, std::string> options;  // by long name; switches hold ""
    bool help = false;
};

struct ParseResult {
    Invocation invocation;
    std::string error;  // empty when the line is usable
};

// `arguments` excludes the program name. Options may come before, between or after the files;
// "--" ends them. An option given twice keeps its last value.
ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace cli
