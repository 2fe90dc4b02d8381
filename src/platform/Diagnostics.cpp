#include "platform/Diagnostics.h"

#include <mutex>

namespace platform {
namespace {

std::mutex g_sink_mutex;  // guards g_sink
DiagnosticSink g_sink;    // guarded by g_sink_mutex

}  // namespace

void SetDiagnosticSink(DiagnosticSink sink) {
    std::lock_guard guard(g_sink_mutex);
    g_sink = std::move(sink);
}

void ReportDiagnostic(std::string_view line) {
    DiagnosticSink sink;
    {
        std::lock_guard guard(g_sink_mutex);
        sink = g_sink;
    }
    if (sink)
        sink(line);
}

}  // namespace platform
