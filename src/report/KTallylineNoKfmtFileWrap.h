#pragma once

#include <filesystem>
#include <memory>

#include "platform/DynamicLibrary.h"
#include "report/ITallylineClient2.h"

namespace report {

// The telemetry client library's file name in the program folder. Not shipped.
inline constexpr const char* kClientLibraryName = "libquire-tally.so";

// Holds an outside telemetry client for the life of one record: the library it came from and
// the interface the library handed out. Without the library, the export, or a ready client,
// it holds no interface, silently: having no client is the normal case.
class KTallylineNoKfmtFileWrap {
public:
    // Loads `library_file`; a missing file is not an error.
    explicit KTallylineNoKfmtFileWrap(const std::filesystem::path& library_file);
    // A client whose entry point is linked into the program rather than loaded.
    explicit KTallylineNoKfmtFileWrap(GetExportInterfaceFunction* get_export_interface);
    ~KTallylineNoKfmtFileWrap();

    KTallylineNoKfmtFileWrap(const KTallylineNoKfmtFileWrap&) = delete;
    KTallylineNoKfmtFileWrap& operator=(const KTallylineNoKfmtFileWrap&) = delete;

    // Nullptr when there is no client.
    ITallylineClient2* Client() const { return client_; }

private:
    void Acquire(GetExportInterfaceFunction* get_export_interface);

    // Declared first so that it is closed last: the client's code lives in it.
    std::unique_ptr<platform::DynamicLibrary> library_;
    ITallylineClient2* client_ = nullptr;
};

}  // namespace report
