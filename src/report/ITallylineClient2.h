#pragma once

#include <cstdint>

// What an outside telemetry client library offers. None is shipped; an installation may put one
// in the program folder (see KTallylineNoKfmtFileWrap). The library exports
//
//   extern "C" void* GetExportInterface(const char* interface_name);
//
// and answers "ITallylineClient2" with an object of this interface, which it keeps alive until
// Release. Strings are UTF-8 and NUL-terminated; they are only valid for the call.
namespace report {

inline constexpr const char* kClientExportName = "GetExportInterface";
inline constexpr const char* kClientInterfaceName = "ITallylineClient2";

using GetExportInterfaceFunction = void*(const char* interface_name);

class ITallylineClient2 {
protected:
    // Objects come from the library and go back through Release, never through delete.
    virtual ~ITallylineClient2() = default;

public:
    // Non-zero when the client is ready to take records; otherwise it is released unused.
    virtual int Initialize() = 0;
    virtual int Begin(const char* schema) = 0;
    virtual int SetInt(const char* name, std::int32_t value) = 0;
    virtual int SetString(const char* name, const char* value) = 0;
    virtual int ReportNow(int flag) = 0;
    // Non-zero when the client took the record over for sending.
    virtual int Report() = 0;
    virtual int SetInt64(const char* name, std::uint32_t low, std::uint32_t high) = 0;
    virtual void Release() = 0;
};

}  // namespace report
