#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "report/IPDFTallylineAdapter.h"
#include "report/RecordSchema.h"

namespace report {

enum class SendMode {
    Queued,     // the adapter may take the record over and send it later
    Immediate,  // sent on the caller's thread
};

// One usage record, on the sender's stack: Begin with the declaration, set values by field
// name, Send. Values are checked against the declaration: a value for an unknown field or of
// the wrong type is logged and refused (0) and never reaches the adapter. Without an adapter
// every operation answers 0. Nothing here ever fails the caller's flow.
class PDFTallylineReporter {
public:
    // The adapter this process uses: its automation decision and edition, and the usage log as
    // configured right now.
    PDFTallylineReporter();
    // `adapter` may be null.
    explicit PDFTallylineReporter(std::unique_ptr<IPDFTallylineAdapter> adapter);

    PDFTallylineReporter(const PDFTallylineReporter&) = delete;
    PDFTallylineReporter& operator=(const PDFTallylineReporter&) = delete;

    int Begin(std::string_view schema);
    int SetInt(std::string_view name, std::int32_t value);
    int SetString(std::string_view name, std::string_view value);
    int SetInt64(std::string_view name, std::int64_t value);

    // Immediate, or a queued send the adapter did not take over, calls ReportNow(0). Only a
    // begun record is sent, and only once.
    int Send(SendMode mode);

private:
    // True when a begun record has the field and it takes `kind`; logs why not otherwise.
    bool Accepts(std::string_view name, ValueKind kind, std::string_view operation) const;

    std::unique_ptr<IPDFTallylineAdapter> adapter_;  // may be null
    std::optional<RecordSchema> schema_;             // from an accepted Begin until Send
};

}  // namespace report
