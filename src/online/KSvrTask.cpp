#include "online/KSvrTask.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "app/AsynLog.h"
#include "online/KRequest.h"
#include "online/ServiceJson.h"
#include "online/UploadInstructions.h"
#include "platform/Format.h"
#include "platform/Tick.h"

namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

constexpr char kConvertPath[] = "/pdfweb/convert";
constexpr char kFeedbackPath[] = "/pdfweb/feedback";
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

HeaderList MakeHeaders(std::initializer_list<std::pair<const char*, std::string>> lines) {
    curl_slist* list = nullptr;
    for (const auto& [name, value] : lines)
        list = curl_slist_append(list, platform::Format("%s:%s", name, value).c_str());
    return HeaderList(list);
}

// The two lines every protocol request carries instead of the default headers.
HeaderList ProtocolHeaders() {
    curl_slist* list = curl_slist_append(nullptr, "X-Cf-Platform:pc");
    return HeaderList(
        curl_slist_append(list, platform::Format("%s:%d", "X-Cf-Device-Id", 1).c_str()));
}

// The extension after the last dot of the file name, lower-cased, without the dot.
std::string TypeOf(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string type = name.substr(dot + 1);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

std::optional<std::string> ReadBlock(const std::filesystem::path& file, std::int64_t offset,
                                     std::int64_t length) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = pread(fd, bytes.data() + filled, bytes.size() - filled,
                                  static_cast<off_t>(offset + filled));
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    close(fd);
    if (filled == 0)
        return std::nullopt;
    bytes.resize(filled);
    return bytes;
}

}  // namespace

KSvrTask::KSvrTask(ServiceSettings settings, std::shared_ptr<const StopSignal> stop,
                   LoginState& login)
    : settings_(std::move(settings)), stop_(std::move(stop)), login_(login) {}

void KSvrTask::SetFileFields(const std::filesystem::path& source,
                             const std::filesystem::path& target, const std::string& target_type) {
    source_ = source;
    target_ = target;
    request_["filename"] = source.filename().string();
    request_["file_type"] = TypeOf(source);
    request_["target_file_type"] = target_type;
}

void KSvrTask::BuildPaged(const std::filesystem::path& source, const std::filesystem::path& target,
                          int pages, int convert_type) {
    path_ = kConvertPath;
    request_["pages"] = pages;
    request_["convert_type"] = convert_type;
    SetFileFields(source, target, TypeOf(target));
}

void KSvrTask::BuildDrawing(const std::filesystem::path& source,
                            const std::filesystem::path& target, bool white_background) {
    path_ = kConvertPath;
    request_["convert_type"] = 1;
    SetFileFields(source, target, TypeOf(target));
    Json::Value custom;
    custom["dpi"] = "600";
    custom["background"] = white_background ? "white" : "black";
    custom["paper_size"] = platform::Format("%d,%d", 2560, 1600);
    custom["color_policy"] = "as_is";
    request_["custom_data"] = custom;
}

void KSvrTask::BuildPlain(const std::filesystem::path& source,
                          const std::filesystem::path& target) {
    path_ = kConvertPath;
    request_["convert_type"] = 1;
    SetFileFields(source, target, TypeOf(target));
}

void KSvrTask::BuildFeedback(const std::filesystem::path& file, const std::string& target_type,
                             const std::string& email, const std::string& phone,
                             const std::string& suggestion) {
    path_ = kFeedbackPath;
    SetFileFields(file, {}, target_type);
    request_["email"] = email;
    request_["phone"] = phone;
    request_["suggestion"] = suggestion;
}

Json::Value KSvrTask::Common() const {
    const LoginState::Values login = login_.Get();
    Json::Value common;
    common["uid"] = login.uid;
    common["token"] = login.token;
    common["app_id"] = settings_.app_id;
    common["request_id"] = std::to_string(platform::GetTickCount());
    common["is_tourist"] = login.tourist;
    return common;
}

KRequest KSvrTask::NewRequest() const {
    KRequest request;
    request.connect_timeout = settings_.connect_timeout;
    request.low_speed_seconds = settings_.low_speed_seconds;
    request.ca_file = settings_.ca_file;
    request.cancelled = [stop = stop_] { return stop->IsSet(); };
    return request;
}

int KSvrTask::Post(const char* step, const std::string& url, const std::string& body,
                   std::string* answer) {
    KRequest request = NewRequest();
    HeaderList headers = ProtocolHeaders();
    request.header_list = headers.get();
    last_result_ = PostSSL(request, url, body);
    Log().Print("KSvrTask::%s PostSSL return:%d", step, last_result_);
    *answer = request.response;
    return last_result_;
}

std::optional<Json::Value> KSvrTask::Exchange(const char* step, const std::string& path,
                                              const std::function<Json::Value()>& make_body,
                                              bool may_renew_login) {
    const std::string token = login_.Get().token;
    std::string answer;
    if (Post(step, settings_.host + path, service_json::Write(make_body()), &answer) != 0)
        return std::nullopt;
    Log().Print("KSvrTask::%s Post response:%s", step, answer);
    std::optional<Json::Value> parsed =
        service_json::ParseObject(service_json::UnescapeAmpersands(answer));
    if (!parsed)
        return std::nullopt;
    const std::optional<int> ret = service_json::RetOf(*parsed);
    if (ret)
        last_ret_ = *ret;
    if (!may_renew_login || !ret || !IsExpiredLogin(*ret))
        return parsed;
    Log().Print("KSvrTask::%s login expired, ret:%d", step, *ret);
    login_.Forget(token);
    if (!GetTouristID())
        return parsed;
    return Exchange(step, path, make_body, false);
}

bool KSvrTask::GetTouristID() {
    const auto body = [this] {
        Json::Value body;
        body["common"] = Common();
        body["server_id"] = settings_.device_id;
        return body;
    };
    const std::optional<Json::Value> answer =
        Exchange("GetTouristID", "/user/tourist/login", body, false);
    if (!answer || service_json::RetOf(*answer) != 0)
        return false;
    const std::optional<std::string> uid = service_json::StringAt(*answer, {"uid"});
    const std::optional<std::string> token = service_json::StringAt(*answer, {"token"});
    if (!uid || !token || uid->empty() || token->empty())
        return false;
    login_.Set(*uid, *token);
    return true;
}

std::optional<UploadInstructions> KSvrTask::QueryUploadInfo() {
    if (file_length_ <= 0)
        return std::nullopt;
    const auto body = [this] {
        Json::Value body = request_;
        body["common"] = Common();
        body["md5"] = digest_.hex;
        body["file_length"] = static_cast<Json::Int64>(file_length_);
        return body;
    };
    const std::optional<Json::Value> answer = Exchange("QueryUploadInfo", path_, body, true);
    if (!answer)
        return std::nullopt;
    if (const std::optional<int> ret = service_json::RetOf(*answer))
        last_ret_ = *ret;
    std::optional<UploadInstructions> info =
        ParseUploadInstructions(*answer, settings_.max_block_size);
    Log().Print("KSvrTask::UploadFile ParseUploadInfo return:%d, block_size:%d, upload_type:%d",
                info ? 1 : 0, info ? info->block_size : 0, info ? info->upload_type : -1);
    if (!info)
        return std::nullopt;
    request_id_ = info->request_id;
    part_addresses_ = info->addresses;
    return info;
}

bool KSvrTask::UploadFile() {
    Log().Print("KSvrTask::UploadFile file:%s", source_.string());
    if (settings_.host.empty())
        return false;
    Log().Print("host url:%s", settings_.host);
    std::optional<Md5Digest> digest = DigestFile(source_, [this] { return Stopped(); });
    std::error_code error;
    file_length_ = static_cast<std::int64_t>(std::filesystem::file_size(source_, error));
    if (!digest || error)
        return false;
    digest_ = *digest;
    Log().Print("convert file md5:%s, base64:%s, file:%s", digest_.hex, digest_.base64,
                source_.string());
    if (!login_.HasLogin() && !GetTouristID())
        return false;
    const std::optional<UploadInstructions> info = QueryUploadInfo();
    if (!info)
        return false;
    if (info->upload_type == 0) {
        Log().Print("file exist on server, not need upload");
        return true;
    }
    bool uploaded = false;
    if (info->upload_type == 1 && part_addresses_.size() == 1 && part_addresses_.count(0)) {
        uploaded = UploadFileToCos(part_addresses_[0]);
        Log().Print("KSvrTask::UploadFile UploadFileToCos return:%d, url:%s", uploaded ? 1 : 0,
                    part_addresses_[0]);
    } else if (info->upload_type == 2 && info->block_size > 0 && !part_addresses_.count(0)) {
        uploaded = UploadMultiThread(info->block_size);
        if (!uploaded)
            Log().Print("KSvrTask::UploadFile UploadMultiThread Failed count:%d",
                        FailedPartCount());
    }
    if (!uploaded)
        return false;
    const bool reported = NotifyUploadComplete();
    Log().Print("KSvrTask::UploadFile NotifyUploadComplete return:%d", reported ? 1 : 0);
    return reported;
}

bool KSvrTask::UploadFileToCos(const std::string& address) {
    KRequest request = NewRequest();
    HeaderList headers = MakeHeaders({{"content-md5", digest_.base64}});
    request.header_list = headers.get();
    last_result_ = PutSSL(request, address, source_);
    if (last_result_ != 0)
        Log().Print("UploadFileToCos::PutSSL fail, retCode:%d, url:%s", last_result_, address);
    return last_result_ == 0;
}

bool KSvrTask::UploadMultiThread(std::int64_t block_size) {
    {
        std::lock_guard lock(lock_);
        pending_parts_.clear();
        failed_parts_.clear();
        for (const auto& [part, address] : part_addresses_)
            pending_parts_.push_back(part);
    }
    std::vector<std::thread> threads;
    for (int i = 0; i < std::max(settings_.upload_threads, 1); ++i)
        threads.emplace_back([this, block_size] { UploadPartsLoop(block_size); });
    for (std::thread& thread : threads)
        thread.join();
    std::lock_guard lock(lock_);
    // A stop leaves parts untried; they fail the upload as much as a part that failed.
    return failed_parts_.empty() && pending_parts_.empty() && !Stopped();
}

void KSvrTask::UploadPartsLoop(std::int64_t block_size) {
    while (!Stopped()) {
        int part = 0;
        {
            std::lock_guard lock(lock_);
            if (pending_parts_.empty())
                return;
            part = pending_parts_.back();
            pending_parts_.pop_back();
        }
        bool sent = false;
        for (int attempt = 0; attempt < settings_.part_tries && !sent; ++attempt) {
            sent = UploadFileToCosMultiPart(part, block_size);
            if (!sent && stop_->WaitFor(settings_.part_retry_pause))
                break;
        }
        Log().Print("UploadFileToCosMultiPart return:%d, block id:%d", sent ? 1 : 0, part);
        if (!sent) {
            std::lock_guard lock(lock_);
            failed_parts_.push_back(part);
        }
    }
}

bool KSvrTask::UploadFileToCosMultiPart(int part, std::int64_t block_size) {
    const std::optional<std::string> bytes =
        ReadBlock(source_, static_cast<std::int64_t>(part - 1) * block_size, block_size);
    if (!bytes)
        return false;
    HeaderList headers = MakeHeaders({{"content-md5", DigestBytes(*bytes).base64},
                                      {"User-Agent", "Mozilla/4.0"},
                                      {"Accept", "*/*"},
                                      {"Content-Type", "application/x-www-form-urlencoded"}});
    KRequest request = NewRequest();
    request.header_list = headers.get();
    const int result = PutSSL(request, part_addresses_.at(part), bytes->data(), bytes->size());
    if (result != 0)
        Log().Print("UploadFileToCosMultiPart::PutSSL fail, retCode:%d", result);
    std::lock_guard lock(lock_);
    last_result_ = result;
    return result == 0;
}

int KSvrTask::FailedPartCount() const {
    std::lock_guard lock(lock_);
    return static_cast<int>(failed_parts_.size());
}

bool KSvrTask::NotifyUploadComplete() {
    const std::string path = path_.find("feedback") != std::string::npos
                                 ? "/pdfweb/feedback_report_upload"
                                 : "/pdfweb/report_upload";
    const auto body = [this] {
        Json::Value body;
        body["common"] = Common();
        body["req_id"] = request_id_;
        body["convert_req_id"] = request_id_;
        return body;
    };
    const std::optional<Json::Value> answer = Exchange("NotifyUploadComplete", path, body, true);
    return answer && service_json::RetOf(*answer) == 0;
}

bool KSvrTask::QuerryProgress(int* progress, int* status) {
    *progress = -1;
    *status = -1;
    const auto body = [this] {
        Json::Value body;
        body["common"] = Common();
        body["convert_req_id"] = request_id_;
        return body;
    };
    const std::optional<Json::Value> answer =
        Exchange("QuerryProgress", "/pdfweb/query_progress", body, true);
    if (!answer)
        return false;
    *progress = service_json::IntAt(*answer, {"progress"}).value_or(-1);
    *status = service_json::IntAt(*answer, {"status"}).value_or(-1);
    if (result_address_.empty())
        result_address_ = service_json::StringAt(*answer, {"url"}).value_or("");
    return service_json::RetOf(*answer) == 0;
}

bool KSvrTask::Download() {
    if (result_address_.empty()) {
        last_result_ = CURLE_URL_MALFORMAT;
        return false;
    }
    KRequest request = NewRequest();
    last_result_ = GetSSL(request, result_address_, target_);
    return last_result_ == 0;
}
