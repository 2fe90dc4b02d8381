#pragma once

#include "report/IPDFTallylineAdapter.h"

namespace report {

// For automation runs: accepts everything at once and sends nothing anywhere.
class EmptyPDFTallylineAdapter final : public IPDFTallylineAdapter {
public:
    int Begin(std::string_view) override { return 1; }
    int SetInt(std::string_view, std::int32_t) override { return 1; }
    int SetString(std::string_view, std::string_view) override { return 1; }
    int ReportNow(int) override { return 1; }
    int Report() override { return 1; }
    int SetInt64(std::string_view, std::uint32_t, std::uint32_t) override { return 1; }
};

}  // namespace report
