#include "convcore/ScriptedChannel.h"

#include <thread>

#include "core/JsonWire.h"

namespace convcoretest {

std::string NoTaskReply() {
    return "{\"info\":\"GetWaitingTaskParam no new task\",\"result\":1}\n";
}

std::string FailureReply(const std::string& info) {
    return "{\"info\":\"" + info + "\",\"result\":0}\n";
}

std::string TaskText(const std::string& command, int task_id, Json::Value record) {
    record["cmd"] = command;
    record["task_id"] = task_id;
    return json_wire::Write(record);
}

std::optional<std::string> ScriptedChannel::Request(std::string_view message,
                                                    std::chrono::milliseconds) {
    Sent sent{std::string(message), Json::Value(), std::chrono::steady_clock::now()};
    json_wire::Parse(message, &sent.message);
    log_.push_back(sent);
    const std::string command =
        sent.message.isObject() ? sent.message.get("cmd", "").asString() : "";
    if (command == "get_task") {
        if (Messages("get_task").size() == 1)
            std::this_thread::sleep_for(first_task_delay);
        if (get_task_replies.empty())
            return FailureReply("service exited");
        auto reply = get_task_replies.front();
        get_task_replies.pop_front();
        return reply;
    }
    if (command == "notify") {
        ++notifies_;
        if (notifies_ == lose_at_notify)
            return std::nullopt;
        if (cancel_from_notify > 0 && notifies_ >= cancel_from_notify)
            return FailureReply("user cancel");
        return notify_reply.empty() ? "{\"info\":\"OnNotifyProgress succeed\",\"result\":1}\n"
                                    : notify_reply;
    }
    if (command == "exit")
        return "{\"info\":\"good job\",\"result\":1}\n";
    return FailureReply("unknown operation");
}

std::vector<Json::Value> ScriptedChannel::Messages(const std::string& command) const {
    std::vector<Json::Value> found;
    for (const Sent& sent : log_)
        if (sent.message.isObject() && sent.message.get("cmd", "").asString() == command)
            found.push_back(sent.message);
    return found;
}

std::vector<Json::Value> ScriptedChannel::Results() const {
    std::vector<Json::Value> found;
    for (const Json::Value& notify : Messages("notify"))
        if (notify.isMember("result"))
            found.push_back(notify);
    return found;
}

}  // namespace convcoretest
