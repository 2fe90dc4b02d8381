#include "service/ServiceServer.h"

#include <httplib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/Format.h"
#include "service/ConversionQueue.h"
#include "service/Crypto.h"
#include "service/DataFolder.h"
#include "service/FaultInjector.h"
#include "service/HttpBodies.h"
#include "service/Protocol.h"
#include "service/ProtocolRoutes.h"
#include "service/RequestStore.h"
#include "service/ServiceLog.h"
#include "service/StopSignal.h"
#include "service/TokenStore.h"
#include "service/UrlSigner.h"

namespace service {
namespace {

constexpr std::chrono::seconds kListenerStartLimit{5};
constexpr std::size_t kKeepAliveRequests = 100;

struct JsonRoute {
    const char* path;
    Route route;
};

constexpr std::array<JsonRoute, 6> kJsonRoutes{{
    {"/user/tourist/login", Route::kLogin},
    {"/pdfweb/convert", Route::kConvert},
    {"/pdfweb/report_upload", Route::kReport},
    {"/pdfweb/query_progress", Route::kProgress},
    {"/pdfweb/feedback", Route::kFeedback},
    {"/pdfweb/feedback_report_upload", Route::kFeedbackReport},
}};

const char* const kStoragePattern = R"(/storage/([0-9a-f]{1,64})/(\d{1,6}))";
const char* const kDownloadPattern = R"(/download/([0-9a-f]{1,64}))";

// The one method a known path takes; nullopt for an unknown path.
std::optional<std::string> AllowedMethod(const std::string& path) {
    for (const JsonRoute& route : kJsonRoutes) {
        if (path == route.path)
            return "POST";
    }
    static const std::regex storage(kStoragePattern);
    static const std::regex download(kDownloadPattern);
    if (std::regex_match(path, storage))
        return "PUT";
    if (std::regex_match(path, download))
        return "GET";
    return std::nullopt;
}

std::int64_t UnixNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string HostForUrl(const std::string& host) {
    if (host.empty() || host == "0.0.0.0" || host == "::")
        return "127.0.0.1";
    if (host.find(':') != std::string::npos)
        return "[" + host + "]";
    return host;
}

const Json::Value& PlainOk() {
    static const Json::Value ok = MakeAnswer(kRetOk, "ok");
    return ok;
}

}  // namespace

struct ServiceServer::Impl {
    Impl(ServiceOptions service_options, IServiceConverter& service_converter, FaultPlan plan);

    bool Start(std::string* error);
    void Stop();
    bool CreateHttp(std::string* error);
    bool Bind(std::string* error);
    void RegisterRoutes();
    std::string BaseUrl() const;
    std::string PublicBase() const;
    std::uint64_t PartCap() const {
        return std::max(options.block_size, options.multipart_threshold);
    }

    // Request handlers, on cpp-httplib's threads.
    void HandleJson(Route route, const httplib::Request& request, httplib::Response& response,
                    const httplib::ContentReader& reader);
    void HandleUpload(const httplib::Request& request, httplib::Response& response,
                      const httplib::ContentReader& reader);
    void HandleDownload(const httplib::Request& request, httplib::Response& response);
    int CheckUpload(const RequestInfo& info, int part, const httplib::Request& request,
                    const std::string& body);
    // Stall, status and ret faults, which come before the route's work; true when the answer
    // is made.
    bool ApplyLeadingFault(const std::optional<FaultAction>& fault, httplib::Response& response);
    void SendJson(const Json::Value& answer, const std::optional<FaultAction>& fault,
                  httplib::Response& response);

    void RunConversion(const std::string& req_id);
    void Sweep();

    const ServiceOptions options;
    IServiceConverter& converter;
    ServiceLog log;
    FaultInjector faults;
    const UrlSigner signer = UrlSigner::WithRandomKey();
    TokenStore tokens;
    RequestStore requests;
    DataFolder data;
    StopSignal stop;
    ConversionQueue queue;
    ProtocolRoutes routes;

    std::mutex lifecycle_mutex;             // Start and Stop run one at a time
    std::unique_ptr<httplib::Server> http;  // lifecycle_mutex; handlers use it read-only
    std::thread listener;                   // lifecycle_mutex
    std::thread sweeper;                    // lifecycle_mutex
    std::atomic<int> port{0};               // written by Start, read by any thread
    bool started = false;                   // lifecycle_mutex
    bool stopped = false;                   // lifecycle_mutex
};

ServiceServer::Impl::Impl(ServiceOptions service_options, IServiceConverter& service_converter,
                          FaultPlan plan)
    : options(std::move(service_options)),
      converter(service_converter),
      log(options.log_file),
      faults(std::move(plan)),
      tokens(options.token_lifetime),
      requests(options.max_requests),
      data(options.data_folder),
      queue(options.max_requests, options.workers,
            [this](const std::string& req_id) { RunConversion(req_id); }),
      routes(RouteContext{options, tokens, requests, data, signer, faults, log,
                          [this](const std::string& req_id) { return queue.Push(req_id); },
                          [this] { return PublicBase(); }}) {}

bool ServiceServer::Impl::Start(std::string* error) {
    std::lock_guard lock(lifecycle_mutex);
    if (started) {
        *error = "the service was started before";
        return false;
    }
    if (!data.Prepare(error) || !CreateHttp(error))
        return false;
    RegisterRoutes();
    if (!Bind(error))
        return false;
    started = true;
    queue.Start();
    sweeper = std::thread([this] {
        while (!stop.WaitFor(options.sweep_interval))
            Sweep();
    });
    listener = std::thread([this] { http->listen_after_bind(); });
    // A stop before the accept loop runs would be missed by cpp-httplib.
    const auto limit = std::chrono::steady_clock::now() + kListenerStartLimit;
    while (!http->is_running() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    log.Write(platform::Format("ServiceServer::Start url:%s, data:%s", PublicBase(),
                               options.data_folder.string()));
    return true;
}

bool ServiceServer::Impl::CreateHttp(std::string* error) {
    const bool tls = !options.tls_cert.empty() || !options.tls_key.empty();
    if (tls)
        http =
            std::make_unique<httplib::SSLServer>(options.tls_cert.c_str(), options.tls_key.c_str());
    else
        http = std::make_unique<httplib::Server>();
    if (!http->is_valid()) {
        *error = "cannot load the TLS certificate or key";
        return false;
    }
    const int threads = options.http_threads;
    http->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http->set_read_timeout(options.io_timeout);
    http->set_write_timeout(options.io_timeout);
    http->set_keep_alive_timeout(options.keep_alive_timeout.count());
    http->set_keep_alive_max_count(kKeepAliveRequests);
    http->set_payload_max_length(
        static_cast<std::size_t>(std::max(options.max_json_body, PartCap()) + kDrainLimit));
    return true;
}

bool ServiceServer::Impl::Bind(std::string* error) {
    const std::string& host = options.listen_host;
    const int bound = options.port == 0
                          ? http->bind_to_any_port(host)
                          : (http->bind_to_port(host, options.port) ? options.port : -1);
    if (bound <= 0) {
        *error = platform::Format("cannot listen on %s:%d", host, options.port);
        return false;
    }
    port = bound;
    return true;
}

void ServiceServer::Impl::RegisterRoutes() {
    for (const JsonRoute& json : kJsonRoutes) {
        const Route route = json.route;
        http->Post(json.path,
                   [this, route](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
                       HandleJson(route, request, response, reader);
                   });
    }
    http->Put(kStoragePattern, [this](const httplib::Request& request, httplib::Response& response,
                                      const httplib::ContentReader& reader) {
        HandleUpload(request, response, reader);
    });
    http->Get(kDownloadPattern,
              [this](const httplib::Request& request, httplib::Response& response) {
                  HandleDownload(request, response);
              });
    // Decided before any body is read, and with no pattern that could match without bound.
    http->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        const auto allowed = AllowedMethod(request.path);
        const bool head = request.method == "HEAD" && allowed && *allowed == "GET";
        if (allowed && (request.method == *allowed || head))
            return httplib::Server::HandlerResponse::Unhandled;
        SendStatus(response, allowed ? 405 : 404);
        return httplib::Server::HandlerResponse::Handled;
    });
}

std::string ServiceServer::Impl::BaseUrl() const {
    const bool tls = !options.tls_cert.empty();
    return platform::Format("%s://%s:%d", tls ? "https" : "http", HostForUrl(options.listen_host),
                            port.load());
}

std::string ServiceServer::Impl::PublicBase() const {
    std::string base = options.public_url.empty() ? BaseUrl() : options.public_url;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

void ServiceServer::Impl::Stop() {
    std::lock_guard lock(lifecycle_mutex);
    if (!started || stopped)
        return;
    stopped = true;
    stop.Raise();
    http->stop();
    listener.join();
    queue.Stop();
    sweeper.join();
    log.Write("ServiceServer::Stop done");
}

bool ServiceServer::Impl::ApplyLeadingFault(const std::optional<FaultAction>& fault,
                                            httplib::Response& response) {
    if (!fault)
        return false;
    switch (fault->kind) {
        case FaultAction::Kind::kStall:
            if (!stop.WaitFor(std::chrono::milliseconds(fault->stall_ms)))
                return false;
            SendStatus(response, 503);
            return true;
        case FaultAction::Kind::kStatus:
            SendStatus(response, fault->status);
            return true;
        case FaultAction::Kind::kRet:
            response.set_content(WriteAnswer(MakeAnswer(fault->ret, "injected fault")),
                                 "application/json");
            return true;
        default:
            return false;
    }
}

void ServiceServer::Impl::SendJson(const Json::Value& answer,
                                   const std::optional<FaultAction>& fault,
                                   httplib::Response& response) {
    const auto keep_going = [this] { return !stop.Raised(); };
    if (fault && fault->kind == FaultAction::Kind::kMalformed) {
        SendMalformed(response, SpoilAnswer(fault->malformed, answer), keep_going);
        return;
    }
    std::string text = WriteAnswer(answer);
    if (fault && fault->kind == FaultAction::Kind::kCutAfter) {
        const std::uint64_t length = text.size();
        StreamAnswer(response, length, fault->cut_after, "application/json",
                     TextSource(std::move(text)), keep_going);
        return;
    }
    response.set_content(text, "application/json");
}

void ServiceServer::Impl::HandleJson(Route route, const httplib::Request& request,
                                     httplib::Response& response,
                                     const httplib::ContentReader& reader) {
    const auto fault = faults.Next(route);
    std::string body;
    const BodyRead read = ReadBody(request, reader, options.max_json_body, &body);
    if (read != BodyRead::kOk) {
        SendStatus(response, read == BodyRead::kTooLarge ? 413 : 400);
        return;
    }
    if (ApplyLeadingFault(fault, response))
        return;
    const Json::Value answer = routes.Handle(route, body);
    const int ret = answer["resp_common"]["ret"].asInt();
    if (ret != kRetOk)
        log.Write(platform::Format("ServiceServer::HandleJson path:%s, ret:%d, msg:%s",
                                   request.path, ret, answer["resp_common"]["msg"].asString()));
    SendJson(answer, fault, response);
}

int ServiceServer::Impl::CheckUpload(const RequestInfo& info, int part,
                                     const httplib::Request& request, const std::string& body) {
    const bool single = info.upload_type == 1;
    const bool part_known =
        single ? part == 0 : info.upload_type == 2 && part >= 1 && part <= info.part_count;
    if (!part_known)
        return 400;
    const std::uint64_t size = body.size();
    if (single ? size != info.file_length : size > info.block_size)
        return 400;
    const std::string md5 = request.get_header_value("Content-MD5");
    if (md5.empty() || !SameSecret(md5, Base64Of(Md5Raw(body))))
        return 400;
    return 200;
}

void ServiceServer::Impl::HandleUpload(const httplib::Request& request, httplib::Response& response,
                                       const httplib::ContentReader& reader) {
    const auto fault = faults.Next(Route::kUpload);
    const std::string req_id = request.matches[1];
    int part = -1;
    const std::string part_text = request.matches[2];
    std::from_chars(part_text.data(), part_text.data() + part_text.size(), part);
    if (!signer.VerifyUpload(req_id, part, request.get_param_value("expires"),
                             request.get_param_value("sig"), UnixNow())) {
        SendStatus(response, 403);
        return;
    }
    if (fault && fault->kind == FaultAction::Kind::kCutAfter) {
        // cpp-httplib gives a handler no way to drop its connection: the service reads that
        // much, then answers 500 and closes.
        ReadBodyStart(reader, fault->cut_after);
        SendStatus(response, 500);
        return;
    }
    std::string body;
    const BodyRead read = ReadBody(request, reader, PartCap(), &body);
    if (read != BodyRead::kOk) {
        SendStatus(response, read == BodyRead::kTooLarge ? 413 : 400);
        return;
    }
    if (ApplyLeadingFault(fault, response))
        return;
    const auto lease = requests.Acquire(req_id, "");
    const auto status = requests.Status(req_id);
    if (!lease || !status) {
        SendStatus(response, 404);
        return;
    }
    if (status->state != RequestState::kAwaitingUpload) {
        SendStatus(response, 409);
        return;
    }
    const int verdict = CheckUpload(lease->Info(), part, request, body);
    std::string error;
    if (verdict != 200 || !data.StorePart(req_id, part, body, &error)) {
        log.Write(platform::Format("ServiceServer::HandleUpload req:%s, part:%d, status:%d, %s",
                                   req_id, part, verdict, error));
        SendStatus(response, verdict != 200 ? verdict : 500);
        return;
    }
    if (fault && fault->kind == FaultAction::Kind::kMalformed)
        SendJson(PlainOk(), fault, response);
}

void ServiceServer::Impl::HandleDownload(const httplib::Request& request,
                                         httplib::Response& response) {
    const auto fault = faults.Next(Route::kDownload);
    if (ApplyLeadingFault(fault, response))
        return;
    const std::string req_id = request.matches[1];
    if (!signer.VerifyDownload(req_id, request.get_param_value("expires"),
                               request.get_param_value("sig"), UnixNow())) {
        SendStatus(response, 403);
        return;
    }
    const auto lease = requests.Acquire(req_id, "");
    const auto status = requests.Status(req_id);
    std::uint64_t size = 0;
    const auto source = lease && status && status->state == RequestState::kDone
                            ? OpenFileSource(data.ResultPath(lease->Info()).string(), &size)
                            : std::nullopt;
    if (!source) {
        SendStatus(response, 404);
        return;
    }
    if (fault && fault->kind == FaultAction::Kind::kMalformed) {
        SendJson(PlainOk(), fault, response);
        return;
    }
    const std::uint64_t limit =
        fault && fault->kind == FaultAction::Kind::kCutAfter ? fault->cut_after : size;
    StreamAnswer(response, size, limit, "application/octet-stream", *source,
                 [this] { return !stop.Raised(); });
}

void ServiceServer::Impl::RunConversion(const std::string& req_id) {
    const auto lease = requests.Acquire(req_id, "");
    if (!lease || !requests.Advance(req_id, RequestState::kQueued, RequestState::kConverting))
        return;
    const RequestInfo& info = lease->Info();
    ConversionJob job;
    job.source = data.UploadPath(info);
    job.target = data.ResultPath(info);
    job.file_type = info.file_type;
    job.target_file_type = info.target_file_type;
    job.convert_type = info.convert_type;
    job.pages = info.pages;
    job.custom_data = info.custom_data;
    job.on_progress = [this, req_id](int progress) { requests.SetProgress(req_id, progress); };
    // A conversion still running after the retention time is stuck; nobody waits for it.
    const auto deadline = std::chrono::steady_clock::now() + options.retention;
    job.cancelled = [this, deadline] {
        return stop.Raised() || std::chrono::steady_clock::now() > deadline;
    };
    std::string error;
    bool succeeded = converter.Convert(job, &error);
    std::error_code code;
    if (succeeded && !std::filesystem::is_regular_file(job.target, code)) {
        succeeded = false;
        error = "the conversion left no result";
    }
    if (!succeeded) {
        std::filesystem::remove(job.target, code);
        if (error.empty())
            error = "the conversion failed";
    }
    requests.Finish(req_id, succeeded, error);
    log.Write(platform::Format("ServiceServer::RunConversion req:%s, %s->%s, ok:%d, %s", req_id,
                               info.file_type, info.target_file_type, succeeded ? 1 : 0, error));
}

void ServiceServer::Impl::Sweep() {
    const auto cutoff = std::chrono::steady_clock::now() - options.retention;
    const std::vector<std::string> expired = requests.TakeIdleSince(cutoff);
    for (const std::string& req_id : expired)
        data.Remove(req_id);
    tokens.RemoveExpired();
    if (!expired.empty())
        log.Write(
            platform::Format("ServiceServer::Sweep removed:%d", static_cast<int>(expired.size())));
}

ServiceServer::ServiceServer(ServiceOptions options, IServiceConverter& converter, FaultPlan faults)
    : impl_(std::make_unique<Impl>(std::move(options), converter, std::move(faults))) {}

ServiceServer::~ServiceServer() {
    Stop();
}

bool ServiceServer::Start(std::string* error) {
    return impl_->Start(error);
}

int ServiceServer::Port() const {
    return impl_->port.load();
}

std::string ServiceServer::BaseUrl() const {
    return impl_->BaseUrl();
}

void ServiceServer::Stop() {
    impl_->Stop();
}

void ServiceServer::SetFaults(FaultPlan faults) {
    impl_->faults.Replace(std::move(faults));
}

}  // namespace service
