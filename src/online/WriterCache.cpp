#include "online/WriterCache.h"

#include <cstring>

bool KMemoryCache::Write(const char* data, std::size_t length) {
    if (total_ + length > limit_) {
        overflowed_ = true;
        return false;
    }
    blocks_.emplace_back(data, length);
    total_ += length;
    return true;
}

bool KMemoryCache::Finish() {
    assembled_.clear();
    assembled_.reserve(total_);
    for (const std::string& block : blocks_)
        assembled_ += block;
    blocks_.clear();
    return true;
}

std::string KMemoryCache::Text() const {
    return std::string(assembled_.c_str(), std::strlen(assembled_.c_str()));
}

KFileCache::~KFileCache() {
    if (stream_)
        std::fclose(stream_);
}

bool KFileCache::Write(const char* data, std::size_t length) {
    const std::size_t written = std::fwrite(data, 1, length, stream_);
    total_ += written;
    return written == length;
}

bool KFileCache::Finish() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    const bool flushed = std::fflush(stream) == 0;
    return std::fclose(stream) == 0 && flushed;
}
