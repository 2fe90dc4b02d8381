#pragma once

#include <string>
#include <vector>

class ICvtTask;

// What one DoWork hands to each runner it calls. Lives on the task's stack.
struct OperationContext {
    int step_index = 1;         // 1-based step of the task's progress bar
    int step_count = 1;         // steps sharing the bar
    ICvtTask* task = nullptr;   // whose cancel flag the runners test between polls
    std::string password;       // given to operations that open the source; empty for none
    std::string error_message;  // the last runner's operation error
    int error_code = -1;        // the online service's code for the last online job
    std::vector<int> pages;     // for page-aware operations; empty means every page
};
