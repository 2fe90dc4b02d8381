#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Receives a transfer's bytes as libcurl delivers them. Sizes are 64-bit: downloads may be
// larger than 2 GiB.
class IWriterCache {
public:
    virtual ~IWriterCache() = default;
    // False when the block could not be taken; the transfer is then aborted.
    virtual bool Write(const char* data, std::size_t length) = 0;
    // The transfer has ended; false when the bytes could not be completed (a failed flush).
    virtual bool Finish() = 0;
    virtual std::uint64_t GetTotal() const = 0;
};

// Collects an answer in memory, up to a limit: a service that sends more than any answer of
// the protocol can hold is refused rather than allowed to fill the memory.
class KMemoryCache : public IWriterCache {
public:
    explicit KMemoryCache(std::size_t limit) : limit_(limit) {}

    bool Write(const char* data, std::size_t length) override;
    bool Finish() override;
    std::uint64_t GetTotal() const override { return total_; }

    // The assembled bytes as text; like the C string it replaces, it ends at the first NUL.
    std::string Text() const;
    bool Overflowed() const { return overflowed_; }

private:
    std::size_t limit_;
    std::vector<std::string> blocks_;
    std::string assembled_;
    std::uint64_t total_ = 0;
    bool overflowed_ = false;
};

// Writes a download to an open stream it owns.
class KFileCache : public IWriterCache {
public:
    explicit KFileCache(std::FILE* stream) : stream_(stream) {}
    ~KFileCache() override;
    KFileCache(const KFileCache&) = delete;
    KFileCache& operator=(const KFileCache&) = delete;

    bool Write(const char* data, std::size_t length) override;
    bool Finish() override;
    std::uint64_t GetTotal() const override { return total_; }

private:
    std::FILE* stream_;
    std::uint64_t total_ = 0;
};
