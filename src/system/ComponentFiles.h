#pragma once

#include <array>
#include <filesystem>
#include <string_view>

// The files the conversion core needs beside the program, and the two signals around their
// update: a marker file left in the user folder, and the named mutex an update job holds.
namespace components {

// Tested in this order, stopping at the first missing file. Engine data the core ships is
// appended here as it arrives.
inline constexpr auto kRequiredFiles = std::to_array<std::string_view>({
    "quire-core",              // the conversion core
    "libquire-pipe.so",        // the pipe library the core and the program talk through
    "libquire-ocr.so",         // the text recognition engine the core loads for scans
    "libquire-core-tools.so",  // page tools, watermarks, CAD: the core loads them on demand
});

inline constexpr std::string_view kMarkerFileName = "pdfsdk_convertersdk_heath.kid";

// A per-user name: the update job runs as the user who started the program, and the check
// must answer for that user's processes only, as the session-local name always did.
inline constexpr std::string_view kUpdateMutexName =
    "{FA31DC72-028B-429C-9E24-D1616269B436}_install";

// Every required file exists as a regular file in `program_folder`; the first missing one is
// logged.
bool ComponentsPresent(const std::filesystem::path& program_folder);
bool ComponentsPresent();

// Leaves the marker file in `user_folder` (creating the folder, mode 0700, when missing), then
// answers whether a required file is missing. A marker that cannot be written is logged and
// does not change the answer.
bool IsNeedUpdate(const std::filesystem::path& program_folder,
                  const std::filesystem::path& user_folder);
bool IsNeedUpdate();

// Some process of this user holds the update mutex.
bool IsUpdating();

}  // namespace components
