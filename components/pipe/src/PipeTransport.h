#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SocketIo.h"

// What the server and the client share about the wire: a message is a 4-byte little-endian
// length, then that many bytes.
namespace quirepipe {

inline constexpr std::uint32_t kMaxFrameBytes = 16u << 20;

enum class FrameRead {
    Ok,
    TooLarge,    // the length header is over kMaxFrameBytes; the bytes are not read
    Incomplete,  // end of stream, error or deadline before the frame was whole
};

FrameRead ReadFrame(int fd, const platform::Deadline& deadline, std::string* payload);
// False when the payload is over kMaxFrameBytes (nothing is sent) or the write failed.
bool WriteFrame(int fd, std::string_view payload, const platform::Deadline& deadline);

// A deadline `timeout` from now; negative timeouts have already passed.
platform::Deadline DeadlineAfter(std::chrono::milliseconds timeout);

// The lock file a server holds while it serves `name`, beside its socket; empty when the
// name is unusable.
std::string PipeLockPath(const std::string& name);

}  // namespace quirepipe
