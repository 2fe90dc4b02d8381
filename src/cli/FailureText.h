#pragma once

#include <string>

class ICvtTask;

namespace cli {

// Why a finished task failed, for a person: the program's user-facing class of the error where
// it has one, plain words for the cases the program cannot help yet (a command the local core
// does not have, an online service that is not set up or not agreed), then the task's own
// error text. "cancelled" for a cancelled task.
std::string DescribeFailure(ICvtTask& task);

}  // namespace cli
