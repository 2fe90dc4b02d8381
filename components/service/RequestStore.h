#pragma once

#include <json/value.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace service {

enum class RequestKind { kConversion, kFeedback };

enum class RequestState {
    kAwaitingUpload,
    kQueued,
    kConverting,
    kDone,
    kFailed,
    kFeedbackStored,
};

// What a convert or feedback request asked for; fixed once stored.
struct RequestInfo {
    std::string req_id;
    std::string uid;
    RequestKind kind = RequestKind::kConversion;
    std::string filename;  // as sent
    std::string stem;      // of the filename, safe as a file name
    std::string file_type;
    std::string target_file_type;
    int convert_type = 1;
    int pages = 0;
    Json::Value custom_data;
    std::string md5;
    std::uint64_t file_length = 0;
    std::string email;
    std::string phone;
    std::string suggestion;
    int upload_type = 1;  // 0 already stored, 1 one upload (part 0), 2 parts 1..part_count
    int part_count = 1;
    std::uint64_t block_size = 0;
};

struct RequestStatus {
    RequestState state = RequestState::kAwaitingUpload;
    int progress = 0;
    std::string failure;
};

// Requests the service holds, by id. Each is either in use (a lease is out, or it waits for or
// runs a conversion) or idle since its last use; the sweeper takes those idle for too long.
// Any thread; file work is left to the callers, outside the lock.
class RequestStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit RequestStore(std::size_t capacity) : capacity_(capacity) {}

    // Keeps a request in use while the caller works on its files.
    class Lease {
    public:
        Lease(RequestStore* store, std::shared_ptr<const RequestInfo> info);
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Lease& operator=(Lease&&) = delete;

        const RequestInfo& Info() const { return *info_; }

    private:
        RequestStore* store_;
        std::shared_ptr<const RequestInfo> info_;
    };

    // False when the store is full.
    bool Add(RequestInfo info, RequestState state);

    // The request, when it exists and (for a non-empty `uid`) belongs to that user.
    std::optional<Lease> Acquire(const std::string& req_id, const std::string& uid);

    std::optional<RequestStatus> Status(const std::string& req_id);
    // Moves from `from` to `to`; false when the request is in another state.
    bool Advance(const std::string& req_id, RequestState from, RequestState to);
    void SetProgress(const std::string& req_id, int progress);
    void Finish(const std::string& req_id, bool succeeded, const std::string& failure);

    // Held while a report checks a request's upload, so that two reports of it run in turn.
    std::shared_ptr<std::mutex> ReportLock(const std::string& req_id);

    // A request whose stored upload has this content.
    std::optional<std::string> FindContent(const std::string& md5, std::uint64_t length);
    void RememberContent(const std::string& md5, std::uint64_t length, const std::string& req_id);

    // Removes and returns the requests idle since before `cutoff`.
    std::vector<std::string> TakeIdleSince(Clock::time_point cutoff);

    std::size_t Size();

private:
    struct Entry {
        std::shared_ptr<const RequestInfo> info;
        RequestStatus status;
        Clock::time_point last_use;
        int leases = 0;
        std::shared_ptr<std::mutex> report_lock = std::make_shared<std::mutex>();
    };

    void Release(const std::string& req_id);
    static bool Busy(const Entry& entry);

    const std::size_t capacity_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;         // mutex_
    std::unordered_map<std::string, std::string> contents_;  // mutex_; md5:length -> req_id
};

}  // namespace service
