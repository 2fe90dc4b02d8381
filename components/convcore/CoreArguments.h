#pragma once

#include <optional>
#include <string>
#include <vector>

namespace convcore {

struct CoreArguments {
    int core_id = 0;
    std::string server_name;
    bool multi_task = false;
};

// "-core:<id> -server:<name> [-multi_task:true|false]" in any order; option names without
// regard to ASCII case, "-" or "--" before them. Nullopt with the reason for anything else:
// a missing or repeated option, an unknown one, a value that is not what it should be.
std::optional<CoreArguments> ParseCoreArguments(const std::vector<std::string>& arguments,
                                                std::string* error);

}  // namespace convcore
