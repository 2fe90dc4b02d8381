#pragma once

#include <mutex>
#include <optional>
#include <vector>

#include "service/FaultPlan.h"

namespace service {

// The plan in force and how far each of its rules has counted. Any thread.
class FaultInjector {
public:
    explicit FaultInjector(FaultPlan plan = {}) { Replace(std::move(plan)); }

    // Starts the new plan's counts from zero.
    void Replace(FaultPlan plan);

    // The action for this request, counting it against every rule of its route; the first
    // rule that fires wins.
    std::optional<FaultAction> Next(Route route);

    // The scripted answer for the next progress query; nullopt when there is no script.
    std::optional<ProgressStep> NextProgressStep();

private:
    std::mutex mutex_;
    FaultPlan plan_;               // mutex_
    std::vector<int> seen_;        // mutex_; matching requests so far, per rule
    std::size_t script_next_ = 0;  // mutex_
};

}  // namespace service
