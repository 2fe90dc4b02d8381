#include "service/FaultInjector.h"

#include <algorithm>

namespace service {
namespace {

bool Fires(const FaultRule& rule, int seen_before) {
    if (seen_before < rule.skip)
        return false;
    return rule.times < 0 || seen_before - rule.skip < rule.times;
}

}  // namespace

void FaultInjector::Replace(FaultPlan plan) {
    std::lock_guard lock(mutex_);
    plan_ = std::move(plan);
    seen_.assign(plan_.rules.size(), 0);
    script_next_ = 0;
}

std::optional<FaultAction> FaultInjector::Next(Route route) {
    std::lock_guard lock(mutex_);
    std::optional<FaultAction> chosen;
    for (std::size_t i = 0; i < plan_.rules.size(); ++i) {
        const FaultRule& rule = plan_.rules[i];
        if (rule.route != route && rule.route != Route::kAny)
            continue;
        const int seen_before = seen_[i]++;
        if (!chosen && Fires(rule, seen_before))
            chosen = rule.action;
    }
    return chosen;
}

std::optional<ProgressStep> FaultInjector::NextProgressStep() {
    std::lock_guard lock(mutex_);
    const auto& script = plan_.progress_script;
    if (script.empty())
        return std::nullopt;
    const ProgressStep step = script[std::min(script_next_, script.size() - 1)];
    if (script_next_ < script.size())
        ++script_next_;
    return step;
}

}  // namespace service
