#include "cli/PlannedJob.h"

#include "tasks/ICvtTask.h"

namespace cli {

PlannedJob::~PlannedJob() {
    if (!task)
        return;
    task->DetachProgress();
    task->Release();
}

}  // namespace cli
