#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace service {

inline constexpr std::uint64_t kMiB = 1024 * 1024;

struct ServiceOptions {
    std::string listen_host = "127.0.0.1";
    int port = 0;  // 0: any free port, see ServiceServer::Port()
    std::filesystem::path data_folder;
    // The base of the addresses handed to clients; empty: the address the service listens on.
    std::string public_url;
    int workers = 2;  // conversions at once
    std::uint64_t max_upload = 512 * kMiB;
    std::chrono::milliseconds retention = std::chrono::hours(1);
    std::chrono::milliseconds token_lifetime = std::chrono::hours(24);
    std::uint64_t block_size = 4 * kMiB;
    std::uint64_t multipart_threshold = 8 * kMiB;
    std::filesystem::path tls_cert;  // both set: HTTPS
    std::filesystem::path tls_key;
    std::filesystem::path log_file;  // empty: stderr

    std::size_t max_requests = 1000;  // stored requests (uploads, results, feedback) at once
    std::uint64_t max_json_body = 1 * kMiB;
    std::chrono::milliseconds sweep_interval = std::chrono::minutes(1);
    std::chrono::seconds url_lifetime = std::chrono::hours(1);
    int http_threads = 16;
    std::chrono::seconds io_timeout = std::chrono::seconds(30);
    std::chrono::seconds keep_alive_timeout = std::chrono::seconds(2);
};

}  // namespace service
