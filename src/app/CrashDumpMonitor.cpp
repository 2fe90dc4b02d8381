#include "app/CrashDumpMonitor.h"

#include <chrono>
#include <thread>

#include "platform/DynamicLibrary.h"
#include "platform/RegistryStore.h"

namespace crash_dump {
namespace {

using EntryPoint = int(int, const char*, int, int);

constexpr const char* kIdentifierKey =
    "SOFTWARE\\Classes\\CLSID\\{9B7A98EC-7EF9-468c-ACC8-37C793DBD7E0}\\Implemented "
    "Categories\\{A5F7140E-4311-4ef9-AABC-F55941B5EBE5}";
constexpr const char* kBuiltInIdentifier = "5f0b8f1c2d3e4a5b6c7d8e9fa0b1c2d3";
constexpr std::size_t kMaxIdentifierBytes = 128;

}  // namespace

std::filesystem::path FindLibrary(const std::filesystem::path& program_folder) {
    std::filesystem::path folder = program_folder;
    for (int level = 0; level < 3; ++level) {
        std::filesystem::path candidate = folder / kLibraryName;
        std::error_code error;
        if (std::filesystem::exists(candidate, error))
            return candidate;
        folder = folder.parent_path();
    }
    return {};
}

std::string MonitorIdentifier() {
    auto value = platform::RegistryStore::Instance().GetString(platform::RegistryRoot::LocalMachine,
                                                               kIdentifierKey, "idex");
    if (!value || value->empty() || value->size() > kMaxIdentifierBytes)
        return kBuiltInIdentifier;
    return *value;
}

bool Start(const std::filesystem::path& program_folder) {
    // The monitor runs for the life of the process, so its library stays loaded until exit;
    // one monitor per process.
    static std::unique_ptr<platform::DynamicLibrary> loaded;
    if (loaded)
        return false;
    const std::filesystem::path file = FindLibrary(program_folder);
    if (file.empty())
        return false;
    auto library = platform::DynamicLibrary::Open(file);
    if (!library)
        return false;
    auto* entry = library->FunctionNamed<EntryPoint>(kEntryPoint);
    if (!entry)
        return false;
    loaded = std::move(library);
    std::thread([entry, identifier = MonitorIdentifier()] {
        entry(1, identifier.c_str(), 0x12000, 300);
    }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

}  // namespace crash_dump
