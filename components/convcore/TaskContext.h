#pragma once

#include <json/value.h>

#include <functional>
#include <string>

namespace convcore {

struct TaskOutcome {
    bool ok = false;
    std::string error;  // why it failed; a success may carry a note as well

    static TaskOutcome Success(std::string note = {}) { return {true, std::move(note)}; }
    static TaskOutcome Failure(std::string error) { return {false, std::move(error)}; }
};

// What a command handler sees of the task it runs. Handlers run on a thread of their own and
// may start more; every operation here may be called from any of them at any time.
class TaskContext {
public:
    virtual ~TaskContext() = default;
    // 0..100; the core passes the latest value on at least once a second.
    virtual void SetProgress(int percent) = 0;
    // A named value for the program (a fact, a counter); sent with the next progress message.
    virtual void Report(const std::string& key, const Json::Value& value) = 0;
    // True once the program cancelled the task or the program is gone: stop soon and leave no
    // partial output behind.
    virtual bool IsCancelled() const = 0;
};

using CommandHandler = std::function<TaskOutcome(const Json::Value& record, TaskContext& context)>;

}  // namespace convcore
