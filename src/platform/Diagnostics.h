#pragma once

#include <functional>
#include <string_view>

// The platform layer sits below the log, so it reports refused input (a corrupt store, an
// oversized hand-over message, a lock it may not take) through this sink; the program points
// it at its log at start-up. Without a sink, reports are dropped.
namespace platform {

using DiagnosticSink = std::function<void(std::string_view line)>;

void SetDiagnosticSink(DiagnosticSink sink);
void ReportDiagnostic(std::string_view line);

}  // namespace platform
