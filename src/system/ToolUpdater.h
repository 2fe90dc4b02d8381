#pragma once

#include <cstdint>

#include "platform/Guid.h"

// The binary interface of the outside updater library "toolupd.so", which downloads and
// installs the conversion components. The program only loads it, asks its factory for the
// updater object, starts it and polls it; everything else is the library's business. The
// layout below is shared with libraries built apart from the program, so it only grows at the
// end and uses fixed-width types.
namespace tool_updater {

inline constexpr const char* kLibraryName = "toolupd.so";
inline constexpr const char* kFactoryName = "DllGetClassObject";

using Guid = platform::Guid;

inline constexpr Guid kClassId = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid kInterfaceId = {
    0x1490C299, 0x1411, 0x4248, {0x9C, 0x6D, 0xA7, 0x05, 0x9E, 0xD2, 0x67, 0x2F}};

// Filled by the updater while it works; the caller sets 100 once the updater has stopped.
struct Progress {
    std::int32_t percent = 0;
};

// Reference counted like any object handed out by a factory: the caller owns one reference
// from the factory and gives it back with Release.
class IToolUpdater {
public:
    virtual std::int32_t QueryInterface(const Guid& iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

    // Begins the update of the components named by `index_name` (UTF-8); `reserved` is always
    // "". `progress` must stay valid while Busy answers non-zero. 0 = started.
    virtual std::int32_t Start(const char* index_name, const char* reserved,
                               Progress* progress) = 0;
    // Non-zero while the update is still working.
    virtual std::int32_t Busy() = 0;

protected:
    ~IToolUpdater() = default;
};

// The factory the library exports as "DllGetClassObject": 0 and `*out` set to an
// IToolUpdater* for kClassId / kInterfaceId, anything else on failure.
using Factory = platform::ClassFactory;

}  // namespace tool_updater
