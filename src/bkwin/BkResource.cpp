#include "bkwin/BkResource.h"

#include <cstdlib>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Text.h"
#include "ui/BkEmbeddedResources.h"

namespace BkWin {
namespace {

// Override files come from outside the binary; anything bigger is a mistake, not a resource.
constexpr std::size_t kMaxOverrideBytes = 32u * 1024 * 1024;

// Set once at start-up on the UI thread, before the first resource is read; every later read
// is on the UI thread too, so it needs no lock.
std::filesystem::path& OverrideFolderSetting() {
    static std::filesystem::path folder;
    return folder;
}

std::filesystem::path OverrideFolder() {
    if (!OverrideFolderSetting().empty()) {
        return OverrideFolderSetting();
    }
    const char* from_environment = std::getenv("QUIRE_RESOURCE_DIR");
    if (from_environment == nullptr) {
        return {};
    }
    return from_environment;
}

// The type becomes a folder and file name, so it may never walk out of the override folder.
bool IsPlainTypeName(std::string_view type) {
    if (type.empty()) {
        return false;
    }
    for (char c : type) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9')) {
            return false;
        }
    }
    return true;
}

// A file that is there but cannot be used is reported and the built-in copy used instead, so
// a half-written override never leaves the program without its resource.
std::optional<std::string> ReadOverride(const std::string& type, int id) {
    const std::filesystem::path folder = OverrideFolder();
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path file = folder / type / (std::to_string(id) + "." + type);
    platform::ReadResult read = platform::ReadFileBounded(file, kMaxOverrideBytes);
    switch (read.status) {
        case platform::ReadStatus::Ok:
            return std::move(read.bytes);
        case platform::ReadStatus::Missing:
            return std::nullopt;
        case platform::ReadStatus::TooLarge:
            platform::ReportDiagnostic("resource override " + file.string() +
                                       " is larger than 32 MiB; using the built-in resource");
            return std::nullopt;
        case platform::ReadStatus::Error:
            break;
    }
    platform::ReportDiagnostic("resource override " + file.string() + " cannot be read (" +
                               read.error + "); using the built-in resource");
    return std::nullopt;
}

std::optional<std::string> FindEmbedded(std::string_view type, int id) {
    std::size_t count = 0;
    const BkEmbeddedResource* table = BkEmbeddedResources(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].id == id && table[i].type == type) {
            return std::string(reinterpret_cast<const char*>(table[i].bytes), table[i].size);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> BkResource::Find(std::string_view type, int id) {
    if (!IsPlainTypeName(type)) {
        return std::nullopt;
    }
    const std::string lower_type = platform::AsciiToLower(type);
    if (std::optional<std::string> bytes = ReadOverride(lower_type, id)) {
        return bytes;
    }
    return FindEmbedded(lower_type, id);
}

void BkResource::SetOverrideFolder(const std::filesystem::path& folder) {
    OverrideFolderSetting() = folder;
}

}  // namespace BkWin
