#include "service/CommandLine.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>

namespace service {
namespace {

constexpr std::uint64_t kMinBlockSize = 1024;
constexpr std::uint64_t kMaxSeconds = 10LL * 365 * 24 * 3600;
constexpr std::uint64_t kMaxWorkers = 64;
constexpr std::uint64_t kMaxBytes = 1ULL << 40;
constexpr std::uint64_t kMaxRequests = 1000000;

bool ParseNumber(const std::string& text, std::uint64_t low, std::uint64_t high,
                 std::uint64_t* value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size() && *value >= low &&
           *value <= high;
}

// "HOST:PORT", "[V6HOST]:PORT"; the port may be 0.
bool ParseListen(const std::string& text, std::string* host, int* port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::uint64_t number = 0;
    if (!ParseNumber(text.substr(colon + 1), 0, 65535, &number))
        return false;
    *host = text.substr(0, colon);
    if (host->size() > 2 && host->front() == '[' && host->back() == ']')
        *host = host->substr(1, host->size() - 2);
    *port = static_cast<int>(number);
    return true;
}

using Setter = std::function<bool(const std::string& value, CommandLine* line)>;

template <typename Number>
Setter Count(Number ServiceOptions::*field, std::uint64_t low, std::uint64_t high) {
    return [field, low, high](const std::string& value, CommandLine* line) {
        std::uint64_t count = 0;
        if (!ParseNumber(value, low, high, &count))
            return false;
        line->options.*field = static_cast<Number>(count);
        return true;
    };
}

template <typename Duration>
Setter Seconds(Duration ServiceOptions::*field) {
    return [field](const std::string& value, CommandLine* line) {
        std::uint64_t seconds = 0;
        if (!ParseNumber(value, 1, kMaxSeconds, &seconds))
            return false;
        line->options.*field = std::chrono::seconds(seconds);
        return true;
    };
}

Setter Path(std::filesystem::path ServiceOptions::*field) {
    return [field](const std::string& value, CommandLine* line) {
        line->options.*field = value;
        return !value.empty();
    };
}

const std::map<std::string, Setter>& Setters() {
    static const std::map<std::string, Setter> setters{
        {"--listen",
         [](const std::string& value, CommandLine* line) {
             return ParseListen(value, &line->options.listen_host, &line->options.port);
         }},
        {"--data", Path(&ServiceOptions::data_folder)},
        {"--public-url",
         [](const std::string& value, CommandLine* line) {
             line->options.public_url = value;
             return value.starts_with("http://") || value.starts_with("https://");
         }},
        {"--workers", Count(&ServiceOptions::workers, 1, kMaxWorkers)},
        {"--max-upload", Count(&ServiceOptions::max_upload, 1, kMaxBytes)},
        {"--retention", Seconds(&ServiceOptions::retention)},
        {"--token-lifetime", Seconds(&ServiceOptions::token_lifetime)},
        {"--block-size", Count(&ServiceOptions::block_size, kMinBlockSize, kMaxBytes)},
        {"--multipart-threshold", Count(&ServiceOptions::multipart_threshold, 1, kMaxBytes)},
        {"--max-requests", Count(&ServiceOptions::max_requests, 1, kMaxRequests)},
        {"--tls-cert", Path(&ServiceOptions::tls_cert)},
        {"--tls-key", Path(&ServiceOptions::tls_key)},
        {"--log", Path(&ServiceOptions::log_file)},
        {"--faults",
         [](const std::string& value, CommandLine* line) {
             line->faults_file = value;
             return !value.empty();
         }},
    };
    return setters;
}

std::optional<CommandLine> Refuse(std::string* error, const std::string& text) {
    *error = text;
    return std::nullopt;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string* error) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        const auto setter = Setters().find(name);
        if (setter == Setters().end())
            return Refuse(error, "unknown option " + name);
        if (i + 1 >= arguments.size())
            return Refuse(error, name + " needs a value");
        if (!setter->second(arguments[i + 1], &line))
            return Refuse(error, "bad value for " + name + ": " + arguments[i + 1]);
    }
    if (line.options.data_folder.empty())
        return Refuse(error, "--data is required");
    if (line.options.tls_cert.empty() != line.options.tls_key.empty())
        return Refuse(error, "--tls-cert and --tls-key go together");
    return line;
}

}  // namespace service
