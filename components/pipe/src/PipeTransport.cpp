#include "PipeTransport.h"

#include <sys/un.h>

#include <algorithm>
#include <climits>

#include "platform/Paths.h"
#include "quire-pipe/PipeClient.h"

namespace quirepipe {
namespace {

bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.find("..") == std::string::npos;
}

std::string PipeFilePath(const std::string& name, const char* extension) {
    if (!IsUsableName(name))
        return {};
    auto folder = platform::PrivateSubfolder("pipe");
    if (!folder)
        return {};
    return (*folder / (name + extension)).string();
}

}  // namespace

std::string PipeSocketPath(const std::string& name) {
    std::string path = PipeFilePath(name, ".sock");
    sockaddr_un address{};
    if (!platform::MakeUnixAddress(path, &address))
        return {};
    return path;
}

std::string PipeLockPath(const std::string& name) {
    if (PipeSocketPath(name).empty())
        return {};
    return PipeFilePath(name, ".lock");
}

FrameRead ReadFrame(int fd, const platform::Deadline& deadline, std::string* payload) {
    unsigned char header[4];
    if (!platform::ReadExact(fd, header, sizeof header, deadline))
        return FrameRead::Incomplete;
    const std::uint32_t length = platform::GetUint32Le(header);
    if (length > kMaxFrameBytes)
        return FrameRead::TooLarge;
    payload->assign(length, '\0');
    if (!platform::ReadExact(fd, payload->data(), length, deadline))
        return FrameRead::Incomplete;
    return FrameRead::Ok;
}

bool WriteFrame(int fd, std::string_view payload, const platform::Deadline& deadline) {
    if (payload.size() > kMaxFrameBytes)
        return false;
    std::string header;
    platform::PutUint32Le(header, static_cast<std::uint32_t>(payload.size()));
    return platform::WriteAll(fd, header.data(), header.size(), deadline) &&
           platform::WriteAll(fd, payload.data(), payload.size(), deadline);
}

platform::Deadline DeadlineAfter(std::chrono::milliseconds timeout) {
    // Deadline counts in the tick clock's int range.
    const auto clamped = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    return platform::Deadline(static_cast<std::uint32_t>(clamped));
}

}  // namespace quirepipe
