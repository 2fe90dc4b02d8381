#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// How the client reaches the conversion service; the same for every task of a process.
struct ServiceSettings {
    std::string host;       // scheme and host, e.g. "https://convert.example"; empty: none set up
    std::string device_id;  // sent with the tourist login
    std::string app_id;     // the edition's decimal application number
    std::string ca_file;    // certificates for a private service; empty: the system's store
    int connect_timeout = 10;    // seconds
    int low_speed_seconds = 60;  // a transfer idle this long fails

    int part_tries = 5;
    std::chrono::milliseconds part_retry_pause{2000};
    int upload_threads = 2;
    // A block size the service names beyond this is refused: each upload thread holds one
    // block in memory.
    std::int64_t max_block_size = std::int64_t{256} << 20;

    std::chrono::milliseconds poll_interval{3000};
    int query_failures_allowed = 5;  // the next failed progress query fails the task
    int download_tries = 3;
    std::chrono::milliseconds download_retry_pause{3000};
    // A conversion still unfinished on the service this long after its upload fails the task.
    std::chrono::milliseconds poll_deadline{std::chrono::minutes(30)};
};
