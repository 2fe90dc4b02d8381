#include "service/ProtocolRoutes.h"

#include <chrono>

#include "platform/Format.h"
#include "service/ConvertRequest.h"
#include "service/Crypto.h"
#include "service/Protocol.h"

namespace service {
namespace {

constexpr std::size_t kReqIdBytes = 16;
// Beyond this many parts a client would spend its time on addresses, not data.
constexpr std::uint64_t kMaxParts = 10000;

const char* const kOk = "ok";

Json::Value Refused(const Refusal& refusal) {
    return MakeAnswer(refusal.ret, refusal.msg);
}

// The id a report or progress query names: "convert_req_id", else "req_id".
bool ReadRequestId(const Json::Value& body, std::string* req_id) {
    if (!ReadString(body, "convert_req_id", req_id, true))
        return false;
    if (req_id->empty() && !ReadString(body, "req_id", req_id))
        return false;
    return !req_id->empty();
}

void PlanUpload(const ServiceOptions& options, RequestInfo* info) {
    info->block_size = options.block_size;
    if (info->file_length <= options.multipart_threshold) {
        info->upload_type = 1;
        info->part_count = 1;
        return;
    }
    info->upload_type = 2;
    info->part_count =
        static_cast<int>((info->file_length + options.block_size - 1) / options.block_size);
}

// What every convert and feedback answer holds.
Json::Value RequestAnswer(const RequestInfo& info) {
    Json::Value answer = MakeAnswer(kRetOk, kOk);
    answer["convert_req_id"] = info.req_id;
    answer["req_id"] = info.req_id;
    answer["upload_type"] = info.upload_type;
    return answer;
}

int StatusOf(RequestState state) {
    switch (state) {
        case RequestState::kDone:
            return kStatusDone;
        case RequestState::kFailed:
            return kStatusFailed;
        default:
            return kStatusWorking;
    }
}

}  // namespace

Json::Value ProtocolRoutes::Handle(Route route, const std::string& text) {
    const auto body = ParseObject(text);
    if (!body)
        return MakeAnswer(kRetBadRequest, "the body is not a JSON object");
    if (route == Route::kLogin)
        return Login(*body);
    const auto common = ParseCommon(*body);
    if (!common)
        return MakeAnswer(kRetBadRequest, "missing or mistyped \"common\"");
    const auto uid = context_.tokens.UidOf(common->token);
    if (!uid)
        return MakeAnswer(kRetBadToken, "login token unknown or expired");
    switch (route) {
        case Route::kConvert:
            return Convert(*body, *uid, RequestKind::kConversion);
        case Route::kFeedback:
            return Convert(*body, *uid, RequestKind::kFeedback);
        case Route::kReport:
            return ReportUpload(*body, *uid, RequestKind::kConversion);
        case Route::kFeedbackReport:
            return ReportUpload(*body, *uid, RequestKind::kFeedback);
        case Route::kProgress:
            return QueryProgress(*body, *uid);
        default:
            return MakeAnswer(kRetInternal, "no such route");
    }
}

Json::Value ProtocolRoutes::Login(const Json::Value& body) {
    std::string device;
    if (!ParseCommon(body) || !ReadString(body, "server_id", &device))
        return MakeAnswer(kRetBadRequest, "missing or mistyped \"common\" or \"server_id\"");
    const std::string uid = UidForDevice(device);
    Json::Value answer = MakeAnswer(kRetOk, kOk);
    answer["uid"] = uid;
    answer["token"] = context_.tokens.Grant(uid);
    return answer;
}

Json::Value ProtocolRoutes::Convert(const Json::Value& body, const std::string& uid,
                                    RequestKind kind) {
    Refusal refusal;
    auto info = ParseConvertRequest(body, kind, context_.options.max_upload, &refusal);
    if (!info)
        return Refused(refusal);
    info->uid = uid;
    info->req_id = RandomHex(kReqIdBytes);
    PlanUpload(context_.options, &*info);
    if (static_cast<std::uint64_t>(info->part_count) > kMaxParts)
        return MakeAnswer(kRetTooLarge, "the file has too many blocks for this service");
    if (const auto source = context_.requests.FindContent(info->md5, info->file_length)) {
        Json::Value answer = StartFromStoredContent(*info, *source);
        if (!answer.isNull())
            return answer;
    }
    return AwaitUpload(std::move(*info));
}

// Null when the stored content went away meanwhile: the client then uploads as usual.
Json::Value ProtocolRoutes::StartFromStoredContent(RequestInfo info, const std::string& source_id) {
    const auto source = context_.requests.Acquire(source_id, "");
    std::string error;
    info.upload_type = 0;
    if (!source || !context_.data.ShareUpload(source->Info(), info, &error))
        return Json::Value();
    if (!context_.requests.Add(info, RequestState::kAwaitingUpload)) {
        context_.data.Remove(info.req_id);
        return MakeAnswer(kRetInternal, "the service holds too many requests");
    }
    context_.log.Write(platform::Format("ProtocolRoutes::Convert req:%s, same content as:%s",
                                        info.req_id, source_id));
    if (const auto refusal = Proceed(info, RequestState::kAwaitingUpload))
        return Refused(*refusal);
    return RequestAnswer(info);
}

Json::Value ProtocolRoutes::AwaitUpload(RequestInfo info) {
    if (!context_.requests.Add(info, RequestState::kAwaitingUpload))
        return MakeAnswer(kRetInternal, "the service holds too many requests");
    context_.log.Write(platform::Format("ProtocolRoutes::Convert req:%s, length:%llu, parts:%d",
                                        info.req_id, info.file_length, info.part_count));
    return UploadInstructions(info);
}

std::optional<Refusal> ProtocolRoutes::Proceed(const RequestInfo& info, RequestState from) {
    std::string error;
    if (info.kind == RequestKind::kFeedback) {
        if (!context_.data.StoreFeedback(info, &error) ||
            !context_.requests.Advance(info.req_id, from, RequestState::kFeedbackStored))
            return Refusal{kRetInternal, "cannot store the feedback: " + error};
        return std::nullopt;
    }
    if (!context_.data.CreateResultFolder(info, &error) ||
        !context_.requests.Advance(info.req_id, from, RequestState::kQueued))
        return Refusal{kRetInternal, "cannot prepare the conversion: " + error};
    if (!context_.queue_conversion(info.req_id)) {
        context_.requests.Finish(info.req_id, false, "the conversion queue is full");
        return Refusal{kRetInternal, "the conversion queue is full"};
    }
    return std::nullopt;
}

Json::Value ProtocolRoutes::UploadInstructions(const RequestInfo& info) const {
    Json::Value answer = RequestAnswer(info);
    const std::string base = context_.public_base();
    const std::int64_t expires = UrlExpiry();
    if (info.upload_type == 1) {
        answer["normal_upload"]["url"] = context_.signer.UploadUrl(base, info.req_id, 0, expires);
        return answer;
    }
    Json::Value& multipart = answer["multipart_upload"];
    multipart["trunk_size"] = std::to_string(info.block_size);
    Json::Value& urls = multipart["trunk_urls"] = Json::Value(Json::arrayValue);
    for (int part = 1; part <= info.part_count; ++part) {
        Json::Value entry(Json::objectValue);
        entry["part_num"] = part;
        entry["url"] = context_.signer.UploadUrl(base, info.req_id, part, expires);
        urls.append(entry);
    }
    return answer;
}

Json::Value ProtocolRoutes::ReportUpload(const Json::Value& body, const std::string& uid,
                                         RequestKind kind) {
    std::string req_id;
    if (!ReadRequestId(body, &req_id))
        return MakeAnswer(kRetBadRequest, "missing or mistyped \"convert_req_id\"");
    const auto lease = context_.requests.Acquire(req_id, uid);
    const auto report_lock = context_.requests.ReportLock(req_id);
    if (!lease || !report_lock || lease->Info().kind != kind)
        return MakeAnswer(kRetUnknownRequest, "unknown request id");
    std::lock_guard reporting(*report_lock);
    const auto status = context_.requests.Status(req_id);
    if (!status || status->state != RequestState::kAwaitingUpload)
        return MakeAnswer(kRetOk, kOk);  // reported before
    std::string error;
    if (!context_.data.AssembleUpload(lease->Info(), &error)) {
        context_.log.Write(
            platform::Format("ProtocolRoutes::ReportUpload req:%s, refused:%s", req_id, error));
        return MakeAnswer(kRetUploadIncomplete, error);
    }
    const RequestInfo& info = lease->Info();
    context_.requests.RememberContent(info.md5, info.file_length, req_id);
    if (const auto refusal = Proceed(info, RequestState::kAwaitingUpload))
        return Refused(*refusal);
    return MakeAnswer(kRetOk, kOk);
}

Json::Value ProtocolRoutes::QueryProgress(const Json::Value& body, const std::string& uid) {
    std::string req_id;
    if (!ReadRequestId(body, &req_id))
        return MakeAnswer(kRetBadRequest, "missing or mistyped \"convert_req_id\"");
    const auto lease = context_.requests.Acquire(req_id, uid);
    const auto status = context_.requests.Status(req_id);
    if (!lease || !status || lease->Info().kind != RequestKind::kConversion)
        return MakeAnswer(kRetUnknownRequest, "unknown request id");
    return ProgressAnswer(lease->Info(), *status);
}

Json::Value ProtocolRoutes::ProgressAnswer(const RequestInfo& info, const RequestStatus& status) {
    int progress = status.progress;
    int state = StatusOf(status.state);
    std::string msg = state == kStatusFailed ? status.failure : kOk;
    if (const auto step = context_.faults.NextProgressStep()) {
        progress = step->progress;
        // A scripted "done" needs the real result behind its address.
        const bool scripted_done_too_early =
            step->status == kStatusDone && status.state != RequestState::kDone;
        state = scripted_done_too_early ? kStatusWorking : step->status;
        msg = state == kStatusFailed ? "scripted failure" : kOk;
    }
    Json::Value answer = MakeAnswer(kRetOk, msg);
    answer["progress"] = progress;
    answer["status"] = state;
    if (state == kStatusDone)
        answer["url"] =
            context_.signer.DownloadUrl(context_.public_base(), info.req_id, UrlExpiry());
    return answer;
}

std::int64_t ProtocolRoutes::UrlExpiry() const {
    const auto now = std::chrono::system_clock::now() + context_.options.url_lifetime;
    return std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
}

}  // namespace service
