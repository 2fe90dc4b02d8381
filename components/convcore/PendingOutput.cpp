#include "convcore/PendingOutput.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

#include "convcore/TaskContext.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace convcore {
namespace {

constexpr std::size_t kStemChars = 40;

std::filesystem::path WorkPathFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    // Hidden, and unique per process and output, so two cores writing to one folder never meet;
    // the stem is shortened so that a long target name still leaves room for the suffix.
    const std::string stem = target.stem().string();
    const std::string name =
        platform::Format(".%s.part-%d-%u", platform::TruncateChars(stem, kStemChars),
                         static_cast<int>(::getpid()), counter.fetch_add(1)) +
        target.extension().string();
    return target.parent_path() / name;
}

}  // namespace

PendingOutput::PendingOutput(std::filesystem::path target)
    : target_(std::move(target)), work_path_(WorkPathFor(target_)) {}

bool PendingOutput::Commit(std::string* error) {
    std::error_code failure;
    std::filesystem::rename(work_path_, target_, failure);
    if (failure) {
        *error =
            platform::Format("cannot move %s into place: %s", target_.string(), failure.message());
        return false;
    }
    committed_ = true;
    return true;
}

PendingOutput::~PendingOutput() {
    if (committed_)
        return;
    std::error_code ignored;
    std::filesystem::remove(work_path_, ignored);
}

TaskOutcome CommitTaskOutput(PendingOutput& output, TaskContext& context) {
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");
    std::string error;
    if (!output.Commit(&error))
        return TaskOutcome::Failure(error);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

}  // namespace convcore
