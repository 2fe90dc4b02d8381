#include "service/HttpBodies.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>

namespace service {
namespace {

constexpr std::size_t kStreamChunk = 64 * 1024;

}  // namespace

BodyRead ReadBody(const httplib::Request& request, const httplib::ContentReader& reader,
                  std::uint64_t cap, std::string* body) {
    // A body a little over the cap is read to its end, so that the refusal reaches a client
    // still sending; beyond that the connection is closed on it.
    const std::uint64_t readable = cap + kDrainLimit;
    if (request.has_header("Content-Length") &&
        request.get_header_value<std::uint64_t>("Content-Length") > readable)
        return BodyRead::kTooLarge;
    std::uint64_t seen = 0;
    const bool read = reader([&](const char* data, std::size_t length) {
        seen += length;
        if (seen <= cap)
            body->append(data, length);
        return seen <= readable;
    });
    if (seen > cap) {
        body->clear();
        return BodyRead::kTooLarge;
    }
    return read ? BodyRead::kOk : BodyRead::kBroken;
}

void ReadBodyStart(const httplib::ContentReader& reader, std::uint64_t count) {
    std::uint64_t seen = 0;
    reader([&](const char*, std::size_t length) {
        seen += length;
        return seen < count;
    });
}

void StreamAnswer(httplib::Response& response, std::uint64_t length, std::uint64_t limit,
                  const std::string& content_type, ByteSource source,
                  std::function<bool()> keep_going) {
    const std::uint64_t end = std::min(length, limit);
    response.set_content_provider(
        length, content_type,
        [end, source = std::move(source), keep_going = std::move(keep_going)](
            std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset >= end || !keep_going())
                return false;
            const auto max =
                static_cast<std::size_t>(std::min<std::uint64_t>(kStreamChunk, end - offset));
            const std::string bytes = source(offset, max);
            return !bytes.empty() && sink.write(bytes.data(), bytes.size());
        });
}

ByteSource TextSource(std::string text, std::uint64_t leading_spaces) {
    return [text = std::move(text), leading_spaces](std::uint64_t offset, std::size_t max) {
        std::string bytes;
        if (offset < leading_spaces) {
            bytes.assign(
                static_cast<std::size_t>(std::min<std::uint64_t>(max, leading_spaces - offset)),
                ' ');
            return bytes;
        }
        const std::uint64_t start = offset - leading_spaces;
        if (start < text.size())
            bytes = text.substr(static_cast<std::size_t>(start), max);
        return bytes;
    };
}

std::optional<ByteSource> OpenFileSource(const std::string& path, std::uint64_t* size) {
    // Copies of the provider may outlive each other: the stream is shared and guarded.
    struct OpenFile {
        std::mutex mutex;
        std::ifstream stream;  // mutex
    };
    auto file = std::make_shared<OpenFile>();
    file->stream.open(path, std::ios::binary | std::ios::ate);
    if (!file->stream)
        return std::nullopt;
    *size = static_cast<std::uint64_t>(file->stream.tellg());
    return [file](std::uint64_t offset, std::size_t max) {
        std::lock_guard lock(file->mutex);
        std::string bytes(max, '\0');
        file->stream.clear();
        file->stream.seekg(static_cast<std::streamoff>(offset));
        file->stream.read(bytes.data(), static_cast<std::streamsize>(max));
        bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, file->stream.gcount())));
        return bytes;
    };
}

void SendMalformed(httplib::Response& response, const MalformedAnswer& answer,
                   std::function<bool()> keep_going) {
    if (answer.leading_spaces == 0) {
        response.set_content(answer.body, answer.content_type);
        return;
    }
    const std::uint64_t length = answer.leading_spaces + answer.body.size();
    StreamAnswer(response, length, length, answer.content_type,
                 TextSource(answer.body, answer.leading_spaces), std::move(keep_going));
}

void SendStatus(httplib::Response& response, int status) {
    response.status = status;
    response.set_header("Connection", "close");
}

}  // namespace service
