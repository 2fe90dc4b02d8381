#include "core/PreviewMsgProcessor.h"

#include <chrono>
#include <thread>

#include "app/AsynLog.h"
#include "core/JsonWire.h"
#include "core/PipeReply.h"
#include "core/WatermarkPreviewService.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace {

constexpr int kPreviewTaskId = 666;
constexpr int kPreviewWidth = 210;
// An idle core asks again at once; the pause keeps it from spinning on the pipe.
constexpr auto kIdlePause = std::chrono::milliseconds(100);
// A first-page preview is far smaller; anything bigger is not an image of ours.
constexpr std::size_t kMaxPreviewBytes = 64u << 20;

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

Json::Value PreviewRecord(const WatermarkSettings& settings, const std::string& source_path,
                          const std::string& target_path) {
    Json::Value record(Json::objectValue);
    record["cmd"] = "pdf_watermark_preview";
    record["source_path"] = source_path;
    record["target_path"] = target_path;
    AddWatermarkKeys(record, settings);
    record["preview_width"] = kPreviewWidth;
    record["pages"].append(1);
    record["task_id"] = kPreviewTaskId;
    return record;
}

}  // namespace

const char* PreviewMsgProcessor::OnMessage(const char* request) {
    reply_.clear();
    Json::Value parsed;
    std::string cmd;
    if (json_wire::Parse(request, &parsed) && parsed.isObject() && parsed.isMember("cmd"))
        cmd = json_wire::AsText(parsed["cmd"]);
    if (cmd.empty()) {
        Log().Print("PreviewMsgProcessor unknown request:%s", json_wire::Redacted(request));
        return reply_.c_str();
    }
    if (platform::EqualsIgnoreAsciiCase(cmd, "get_task")) {
        reply_ = OnGetTask();
    } else if (platform::EqualsIgnoreAsciiCase(cmd, "notify")) {
        reply_ = OnNotify(parsed);
    } else {
        std::this_thread::sleep_for(kIdlePause);
        reply_ = SuccessReply("unknown");
    }
    return reply_.c_str();
}

std::string PreviewMsgProcessor::OnGetTask() {
    const auto settings = owner_.TakeChangedSettings();
    if (!settings) {
        std::this_thread::sleep_for(kIdlePause);
        return SuccessReply("wait task");
    }
    const std::string param = json_wire::Write(
        PreviewRecord(*settings, owner_.SourcePath(), owner_.PreviewImagePath().string()));
    Log().Print("PreviewMsgProcessor preview task:%s", json_wire::Redacted(param));
    owner_.View().OnPreviewRequested();
    return param;
}

std::string PreviewMsgProcessor::OnNotify(const Json::Value& request) {
    const Json::Value& result = request["result"];
    if (!result.isInt() || result.asInt() == 0)
        return SuccessReply("notify");
    const auto image = platform::ReadFileBounded(owner_.PreviewImagePath(), kMaxPreviewBytes);
    if (image.status != platform::ReadStatus::Ok) {
        Log().Print("PreviewMsgProcessor no preview image, path:%ws, status:%d, %s",
                    owner_.PreviewImagePath().string(), static_cast<int>(image.status),
                    image.error);
        return SuccessReply("notify");
    }
    owner_.View().OnPreviewReady(
        std::vector<unsigned char>(image.bytes.begin(), image.bytes.end()));
    return SuccessReply("notify");
}

IMsgProcessor* PreviewMsgProcessor::CreateProcessor() {
    return new PreviewMsgProcessor(owner_);
}

void PreviewMsgProcessor::Release() {
    delete this;
}
