#pragma once

#include <string>

#include "cli/FunctionTable.h"

namespace cli {

// "quire-cli --help": the functions and what is common to them.
std::string GeneralUsage();
// "quire-cli FUNCTION --help": the function's files and options.
std::string FunctionUsage(const CliFunction& function);

}  // namespace cli
