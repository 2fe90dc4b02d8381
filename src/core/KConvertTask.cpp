#include "core/KConvertTask.h"

#include <algorithm>
#include <chrono>

#include "app/AsynLog.h"
#include "core/JsonWire.h"
#include "core/KPdfCoreManager.h"
#include "core/PipeReply.h"
#include "platform/Text.h"

namespace {

constexpr auto kGetTaskWait = std::chrono::milliseconds(1000);

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

std::string WithoutLineBreaks(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

int IntMember(const Json::Value& request, const char* name) {
    const Json::Value& value = request[name];
    return value.isInt() ? value.asInt() : 0;
}

// Cores write UTF-8; a byte sequence that is not is stored with replacement characters rather
// than passed on as something no later reader can decode.
std::string AsUtf8(std::string text) {
    if (platform::IsValidUtf8(text))
        return text;
    return platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
}

}  // namespace

const char* KConvertTask::OnMessage(const char* request) {
    const std::string text = WithoutLineBreaks(request);
    if (text.find("get_task") == std::string::npos)
        Log().Print("pdf server receive cmd:%s", text);
    reply_.clear();

    Json::Value parsed;
    std::string cmd;
    if (json_wire::Parse(text, &parsed) && parsed.isObject() && parsed.isMember("cmd"))
        cmd = json_wire::AsText(parsed["cmd"]);
    if (!cmd.empty()) {
        core_id_ = IntMember(parsed, "core_id");
        task_id_ = IntMember(parsed, "task_id");
        reply_ = Dispatch(cmd, parsed);
    }
    if (reply_.empty())
        reply_ = FailureReply("unknown fail");
    if (reply_.find("GetWaitingTaskParam") == std::string::npos)
        Log().Print("pdf server return result:%s", json_wire::Redacted(reply_));
    return reply_.c_str();
}

std::string KConvertTask::Dispatch(const std::string& cmd, const Json::Value& request) {
    if (task_id_ != 0 && manager_.IsCancelled(task_id_)) {
        Log().Print("the task is cancelled, taskid:%d", task_id_);
        return FailureReply("user cancel");
    }
    if (platform::EqualsIgnoreAsciiCase(cmd, "get_task"))
        return OnGetTask();
    if (platform::EqualsIgnoreAsciiCase(cmd, "get_params"))
        return OnGetParams();
    if (platform::EqualsIgnoreAsciiCase(cmd, "notify"))
        return OnNotify(request);
    if (platform::EqualsIgnoreAsciiCase(cmd, "exit"))
        return OnExit();
    return FailureReply("unknown operation");
}

std::string KConvertTask::OnGetTask() {
    const bool signalled = manager_.WaitTaskEvent(kGetTaskWait);
    if (manager_.IsExiting())
        return FailureReply("service exited");
    if (signalled) {
        if (auto param = manager_.GetWaitingTaskParam(core_id_)) {
            Json::Value record;
            json_wire::Parse(*param, &record);
            Log().Print("the kpdfcore has got one task, core_id:%d, task_id:%d, param:%s", core_id_,
                        IntMember(record, "task_id"), json_wire::Redacted(*param));
            return *param;
        }
    }
    return SuccessReply("GetWaitingTaskParam no new task");
}

std::string KConvertTask::OnGetParams() {
    if (task_id_ == 0)
        return "no task id";
    const auto param = manager_.GetTaskParam(task_id_);
    if (!param || param->empty())
        return FailureReply("unknown task id");
    return *param;
}

std::string KConvertTask::OnNotify(const Json::Value& request) {
    for (const std::string& key : request.getMemberNames()) {
        // The program alone decides about cancelling; a core echoing an old value must not
        // undo a cancel that arrived meanwhile.
        if (key == "cancel")
            continue;
        if (!manager_.SetInfo(task_id_, AsUtf8(key), AsUtf8(json_wire::AsText(request[key]))))
            return FailureReply("SetInfo fail");
    }
    return SuccessReply("OnNotifyProgress succeed");
}

std::string KConvertTask::OnExit() {
    const int result = manager_.GetIntInfo(task_id_, "result", -1);
    if (result == -1)
        manager_.SetInfo(task_id_, "result", "0");
    return result == 1 ? SuccessReply("good job") : FailureReply("task exit failed");
}

void KConvertTask::OnDisconnect() {
    Log().Print("KConvertTask::Disconnect, taskid:%d", task_id_);
    if (core_id_ != 0)
        manager_.OnCoreDisconnected(core_id_);
}

IMsgProcessor* KConvertTask::CreateProcessor() {
    return new KConvertTask(manager_);
}

void KConvertTask::Release() {
    delete this;
}
