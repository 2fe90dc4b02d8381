#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "service/ServiceOptions.h"

namespace service {

struct CommandLine {
    ServiceOptions options;
    std::filesystem::path faults_file;  // empty: no faults
};

// The service's arguments (without argv[0]); nullopt with the reason for anything it does not
// understand or cannot use.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string* error);

inline constexpr char kUsage[] =
    "usage: quire-service --data DIR [--listen HOST:PORT] [--public-url URL] [--workers N]\n"
    "                     [--max-upload BYTES] [--retention SECONDS] [--token-lifetime SECONDS]\n"
    "                     [--block-size BYTES] [--multipart-threshold BYTES]\n"
    "                     [--max-requests N] [--tls-cert PEM --tls-key PEM]\n"
    "                     [--faults FILE.json] [--log FILE]\n";

}  // namespace service
