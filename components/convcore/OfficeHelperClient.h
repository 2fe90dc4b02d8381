#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>

#include "convcore/OfficeSettings.h"

namespace convcore {

struct OfficeJob {
    std::filesystem::path source;  // absolute
    std::filesystem::path target;  // absolute; the file LibreOffice writes
    std::string password;          // empty for none
    std::string format = "pdf";    // or "doc", "xls": a Word or Excel document in the old format
};

struct OfficeJobResult {
    enum class End { kDone, kFailed, kCancelled };
    End end = End::kFailed;
    std::string error;     // why it failed
    int slot = -1;         // the slot that ran it, -1 when none was had
    pid_t helper_pid = 0;  // the helper that ran it, 0 when none answered
};

// Called at least every 100 ms while a job waits (for a slot, a helper's start or the
// conversion); false stops the job at once.
using KeepWaiting = std::function<bool()>;

// Runs one conversion on the helper of a free slot, starting the helper when its socket does
// not answer. A slot is held by one core at a time (a lock in the runtime folder), so a helper
// only ever has one job. A job that overruns the limit or is stopped kills its helper, which then
// writes nothing more; the slot's next job starts a new helper. A helper that dies mid-job fails
// the job, and the slot recovers the same way.
OfficeJobResult RunOfficeJob(const OfficeJob& job, const OfficeSettings& settings,
                             const KeepWaiting& keep_waiting);

}  // namespace convcore
