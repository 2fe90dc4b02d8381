#include "service/RequestStore.h"

#include <algorithm>
#include <utility>

namespace service {
namespace {

std::string ContentKey(const std::string& md5, std::uint64_t length) {
    return md5 + ":" + std::to_string(length);
}

}  // namespace

RequestStore::Lease::Lease(RequestStore* store, std::shared_ptr<const RequestInfo> info)
    : store_(store), info_(std::move(info)) {}

RequestStore::Lease::Lease(Lease&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)), info_(std::move(other.info_)) {}

RequestStore::Lease::~Lease() {
    if (store_ != nullptr)
        store_->Release(info_->req_id);
}

bool RequestStore::Add(RequestInfo info, RequestState state) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= capacity_)
        return false;
    Entry entry;
    entry.status.state = state;
    entry.last_use = Clock::now();
    const std::string id = info.req_id;
    entry.info = std::make_shared<const RequestInfo>(std::move(info));
    entries_.emplace(id, std::move(entry));
    return true;
}

std::optional<RequestStore::Lease> RequestStore::Acquire(const std::string& req_id,
                                                         const std::string& uid) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end() || (!uid.empty() && found->second.info->uid != uid))
        return std::nullopt;
    ++found->second.leases;
    found->second.last_use = Clock::now();
    return Lease(this, found->second.info);
}

void RequestStore::Release(const std::string& req_id) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end())
        return;
    --found->second.leases;
    found->second.last_use = Clock::now();
}

std::optional<RequestStatus> RequestStore::Status(const std::string& req_id) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end())
        return std::nullopt;
    return found->second.status;
}

bool RequestStore::Advance(const std::string& req_id, RequestState from, RequestState to) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end() || found->second.status.state != from)
        return false;
    found->second.status.state = to;
    found->second.last_use = Clock::now();
    return true;
}

void RequestStore::SetProgress(const std::string& req_id, int progress) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end())
        return;
    // Clients show a bar: it never runs backwards, and 100 means done, not nearly done.
    int& stored = found->second.status.progress;
    stored = std::max(stored, std::clamp(progress, 0, 99));
}

void RequestStore::Finish(const std::string& req_id, bool succeeded, const std::string& failure) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end())
        return;
    RequestStatus& status = found->second.status;
    status.state = succeeded ? RequestState::kDone : RequestState::kFailed;
    if (succeeded)
        status.progress = 100;
    status.failure = failure;
    found->second.last_use = Clock::now();
}

std::shared_ptr<std::mutex> RequestStore::ReportLock(const std::string& req_id) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(req_id);
    if (found == entries_.end())
        return nullptr;
    return found->second.report_lock;
}

std::optional<std::string> RequestStore::FindContent(const std::string& md5, std::uint64_t length) {
    std::lock_guard lock(mutex_);
    const auto found = contents_.find(ContentKey(md5, length));
    if (found == contents_.end())
        return std::nullopt;
    return found->second;
}

void RequestStore::RememberContent(const std::string& md5, std::uint64_t length,
                                   const std::string& req_id) {
    std::lock_guard lock(mutex_);
    contents_[ContentKey(md5, length)] = req_id;
}

bool RequestStore::Busy(const Entry& entry) {
    const RequestState state = entry.status.state;
    return entry.leases > 0 || state == RequestState::kQueued || state == RequestState::kConverting;
}

std::vector<std::string> RequestStore::TakeIdleSince(Clock::time_point cutoff) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (Busy(it->second) || it->second.last_use >= cutoff) {
            ++it;
            continue;
        }
        taken.push_back(it->first);
        it = entries_.erase(it);
    }
    std::erase_if(contents_, [this](const auto& item) { return !entries_.contains(item.second); });
    return taken;
}

std::size_t RequestStore::Size() {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace service
