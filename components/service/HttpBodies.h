#pragma once

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "service/MalformedAnswer.h"

// Reading request bodies within a cap and writing answers that may be long, cut short or
// padded, for the service's routes.
namespace service {

enum class BodyRead { kOk, kTooLarge, kBroken };

// Bodies over the cap but within this are read and dropped before the refusal.
inline constexpr std::uint64_t kDrainLimit = 1024 * 1024;

// Reads a body of at most `cap` bytes; one declared longer than `cap + kDrainLimit` is
// refused before reading.
BodyRead ReadBody(const httplib::Request& request, const httplib::ContentReader& reader,
                  std::uint64_t cap, std::string* body);

// Reads `count` bytes of the body (or all of it, when shorter) and leaves the rest unread.
void ReadBodyStart(const httplib::ContentReader& reader, std::uint64_t count);

// The bytes of an answer from `offset` on, at most `max` of them; empty when they cannot be
// had.
using ByteSource = std::function<std::string(std::uint64_t offset, std::size_t max)>;

// Answers `length` bytes from `source`, but breaks the connection after `limit` of them when
// that is less; `keep_going` false also breaks it (the service is stopping).
void StreamAnswer(httplib::Response& response, std::uint64_t length, std::uint64_t limit,
                  const std::string& content_type, ByteSource source,
                  std::function<bool()> keep_going);

ByteSource TextSource(std::string text, std::uint64_t leading_spaces = 0);
// The file's bytes, opened now so that a later removal does not matter; nullopt when it
// cannot be opened.
std::optional<ByteSource> OpenFileSource(const std::string& path, std::uint64_t* size);

void SendMalformed(httplib::Response& response, const MalformedAnswer& answer,
                   std::function<bool()> keep_going);

// A status without a body; the connection is closed after it, since a request body may be
// left unread.
void SendStatus(httplib::Response& response, int status);

}  // namespace service
