#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

struct curl_slist;

// One request sequence's settings and its last answer. Every transfer runs on the calling
// thread; a KRequest belongs to that thread for the length of a call.
struct KRequest {
    int connect_timeout = 10;  // seconds
    // A connected transfer that moves no byte for this many seconds fails: a server that
    // stalls must not hold a task forever.
    int low_speed_seconds = 60;
    // Certificates to trust instead of the system's store, for a private service; empty for
    // the system's store. Peers and host names are always verified.
    std::string ca_file;
    // Polled while a transfer runs (about once a second and whenever data moves); true aborts
    // it with CURLE_ABORTED_BY_CALLBACK.
    std::function<bool()> cancelled;
    // The largest answer body kept; a longer one fails the transfer with CURLE_WRITE_ERROR.
    std::size_t answer_limit = 4u << 20;

    std::string response;          // body of the last POST or PUT answer
    std::string response_headers;  // header block of the last PUT answer
    std::string parameter;         // for the failure log lines
    // When set, sent instead of the default headers; owned by the caller.
    curl_slist* header_list = nullptr;
};

// Each returns 0 when the transfer completed with HTTP status 200; libcurl's code when the
// transfer failed (CURLE_UNSUPPORTED_PROTOCOL for any address that is not http or https); the
// HTTP status otherwise; 2 (CURLE_FAILED_INIT) when no handle could be made or the local file
// could not be opened.

// Downloads into `target` through a hidden temporary file beside it, renamed onto the target
// only when the whole body arrived and reached the disk; nothing is left otherwise.
int GetSSL(KRequest& request, const std::string& url, const std::filesystem::path& target);
int PostSSL(KRequest& request, const std::string& url, const char* body, std::size_t length);
int PostSSL(KRequest& request, const std::string& url, const std::string& body);
int PutSSL(KRequest& request, const std::string& url, const char* data, std::size_t size);
// Streams the whole file; an empty or unreadable file gives 2 without a transfer.
int PutSSL(KRequest& request, const std::string& url, const std::filesystem::path& file);

// Whether libcurl may be pointed at `url`: only http:// and https:// addresses are followed,
// whatever a server names.
bool IsWebAddress(const std::string& url);
