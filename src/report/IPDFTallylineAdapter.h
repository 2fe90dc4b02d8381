#pragma once

#include <cstdint>
#include <string_view>

namespace report {

// Where a reporter's record goes. Each operation answers non-zero when it was accepted; what
// zero means beyond "not taken" is up to the implementation, and callers never act on it
// except as PDFTallylineReporter::Send describes.
class IPDFTallylineAdapter {
public:
    virtual ~IPDFTallylineAdapter() = default;
    virtual int Begin(std::string_view schema) = 0;
    virtual int SetInt(std::string_view name, std::int32_t value) = 0;
    virtual int SetString(std::string_view name, std::string_view value) = 0;
    // Sends the record now, on the caller's thread; `flag` is always 0.
    virtual int ReportNow(int flag) = 0;
    // Non-zero when the record was taken over for sending; zero asks for ReportNow.
    virtual int Report() = 0;
    virtual int SetInt64(std::string_view name, std::uint32_t low, std::uint32_t high) = 0;
};

}  // namespace report
