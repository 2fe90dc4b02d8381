#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace officehelper {

struct HelperOptions {
    int slot = -1;
    std::filesystem::path runtime_folder;  // socket, pid file and log (the core's private folder)
    std::filesystem::path cache_folder;    // the slot's profile and its lock
    std::filesystem::path install_folder;  // LibreOffice's program folder
    std::chrono::seconds idle{0};          // exit after this long without a job
    std::chrono::seconds job_limit{0};     // the core gives up on a job after this long
};

// The command line without argv[0]; nullopt with the reason when a flag is missing, unknown or
// malformed.
std::optional<HelperOptions> ParseHelperOptions(const std::vector<std::string>& arguments,
                                                std::string* error);

}  // namespace officehelper
