#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/DynamicLibrary.h"
#include "quire-pipe/PipeInterfaces.h"

// File names of the outside parts in the program folder.
inline constexpr const char* kPipeLibraryFile = "libquire-pipe.so";
inline constexpr const char* kCoreExecutableFile = "quire-core";

// The pipe library as the program uses it: loaded once, and usable only when both exports are
// there.
class PipeLibrary {
public:
    // `owner` names the user of the library in the log line of a failed load.
    PipeLibrary(const std::filesystem::path& file, const char* owner);

    bool Loaded() const { return create_ != nullptr; }
    // Null when the library is not loaded or refuses.
    IPipeSvr* Create() const { return create_ ? create_() : nullptr; }
    // For servers from Create only, after their Stop.
    void Release(IPipeSvr* server) const { release_(server); }

private:
    std::unique_ptr<platform::DynamicLibrary> library_;
    CreatePipeSvrFunc create_ = nullptr;    // set at construction, both or neither
    ReleasePipeSvrFunc release_ = nullptr;  // likewise
};
