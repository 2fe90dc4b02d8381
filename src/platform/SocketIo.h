#pragma once

#include <sys/types.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Bounded reads and writes on stream sockets: every call takes a deadline on the tick clock,
// so a silent or stuck peer can never hold a thread forever.
namespace platform {

class Deadline {
public:
    explicit Deadline(std::uint32_t timeout_ms);
    // Milliseconds left, 0 once passed.
    int RemainingMs() const;
    bool Passed() const { return RemainingMs() == 0; }

private:
    std::uint32_t start_;
    std::uint32_t timeout_ms_;
};

// False on end of stream, error or deadline.
bool ReadExact(int fd, void* buffer, std::size_t size, const Deadline& deadline);
bool WriteAll(int fd, const void* data, std::size_t size, const Deadline& deadline);

void PutUint32Le(std::string& out, std::uint32_t value);
std::uint32_t GetUint32Le(const unsigned char* bytes);

// The uid of the process at the other end of a Unix domain socket.
std::optional<uid_t> PeerUid(int fd);

// A socket address for `path`; false when the path does not fit.
bool MakeUnixAddress(const std::string& path, sockaddr_un* address);

}  // namespace platform
