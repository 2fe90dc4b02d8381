#pragma once

#include <qpdf/QPDF.hh>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "convcore/PendingOutput.h"
#include "convcore/TaskContext.h"

namespace convcore {

struct WriteSettings {
    // Not empty: the output opens only with this password (AES-256). Otherwise the output is
    // not encrypted, whatever the source was.
    std::string user_password;
    // Object streams, every stream recompressed at the strongest Flate level.
    bool compact = false;
    // With no user password: the output keeps the source's encryption, passwords and
    // permissions instead of being written open.
    bool keep_source_protection = false;
};

// The share of the task's progress one write covers.
struct ProgressSpan {
    int from = 0;
    int to = 100;
};

enum class WriteStatus { kWritten, kCancelled, kCannotSave, kSourceUnreadable };

struct WriteResult {
    WriteStatus status = WriteStatus::kWritten;
    std::string detail;  // what went wrong, for the log and the error text
};

// Writes `pdf` to `file`. A cancel is seen while the document is written; what was written is
// left for the caller's PendingOutput to remove.
WriteResult WritePdf(QPDF& pdf, const std::filesystem::path& file, const WriteSettings& settings,
                     TaskContext& context, ProgressSpan span);

// Commits every output, or none: when one cannot be moved into place, the ones already moved
// are removed again. False with the reason.
bool CommitAll(std::vector<std::unique_ptr<PendingOutput>>& outputs, std::string* error);

}  // namespace convcore
