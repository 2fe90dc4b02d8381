#pragma once

#include <json/value.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "convcore/RequestChannel.h"

namespace convcoretest {

// The program's side of the pipe, played from a script: "get_task" takes the next queued reply
// (the failure "service exited" once the queue is empty), "notify" and "exit" are accepted
// until the cancel point. Every request is kept for inspection. Used by the loop thread only.
class ScriptedChannel : public convcore::RequestChannel {
public:
    struct Sent {
        std::string text;
        Json::Value message;  // null when the text did not parse
        std::chrono::steady_clock::time_point at;
    };

    std::deque<std::optional<std::string>> get_task_replies;  // nullopt: the pipe breaks
    int cancel_from_notify = 0;  // 1-based; from this "notify" on the reply is "user cancel"
    int lose_at_notify = 0;      // 1-based; this "notify" gets no reply
    std::string notify_reply;    // empty: the program's success reply
    // How long the first "get_task" waits for its reply, as for a task still to come.
    std::chrono::milliseconds first_task_delay{0};

    std::optional<std::string> Request(std::string_view message,
                                       std::chrono::milliseconds timeout) override;

    const std::vector<Sent>& Log() const { return log_; }
    // The messages whose "cmd" is `command`, in order.
    std::vector<Json::Value> Messages(const std::string& command) const;
    // The "notify" messages that carry "result".
    std::vector<Json::Value> Results() const;

private:
    std::vector<Sent> log_;
    int notifies_ = 0;
};

std::string NoTaskReply();
std::string FailureReply(const std::string& info);
// A command record as the program hands it out.
std::string TaskText(const std::string& command, int task_id, Json::Value record = {});

}  // namespace convcoretest
