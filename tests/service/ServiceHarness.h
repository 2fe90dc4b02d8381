#pragma once

#include <httplib.h>
#include <json/value.h>

#include <atomic>
#include <mutex>
#include <string>

#include "service/FaultPlan.h"
#include "service/ServiceConverter.h"
#include "service/ServiceOptions.h"
#include "service/ServiceServer.h"
#include "support/TempDir.h"

namespace service::testing {

// Copies the source to the target, or fails, or waits for its cancel, as told.
class FakeConverter : public IServiceConverter {
public:
    enum class Mode { kCopy, kFail, kWaitForCancel };

    bool Convert(const ConversionJob& job, std::string* error) override;
    ConversionJob LastJob();

    std::atomic<Mode> mode{Mode::kCopy};
    std::atomic<int> calls{0};
    std::atomic<bool> saw_cancel{false};

private:
    std::mutex mutex_;
    ConversionJob last_job_;  // mutex_
};

struct HttpAnswer {
    int status = 0;  // 0: no answer (connection broken)
    std::string body;
    Json::Value json;  // null unless the body is a JSON object
};

// A client that speaks the service's protocol as one logged-in user, for one thread.
class ServiceClient {
public:
    explicit ServiceClient(const std::string& base_url);

    HttpAnswer Post(const std::string& path, const std::string& body);
    HttpAnswer PostJson(const std::string& path, const Json::Value& body);
    // Logs in as `device` and keeps the token for the requests that follow.
    Json::Value Login(const std::string& device = "device-1");
    Json::Value Common() const;
    Json::Value ConvertBody(const std::string& content, const std::string& filename = "report.pdf",
                            const std::string& target = "docx") const;
    HttpAnswer Convert(const std::string& content, const std::string& filename = "report.pdf");
    // PUTs `bytes` to a signed address with the Content-MD5 of `md5_of` (the bytes themselves
    // when null).
    HttpAnswer Upload(const std::string& url, const std::string& bytes,
                      const std::string* md5_of = nullptr);
    // Uploads `content` as the convert answer tells; false when a part is refused.
    bool UploadAll(const Json::Value& convert_answer, const std::string& content);
    Json::Value Report(const std::string& req_id,
                       const std::string& path = "/pdfweb/report_upload");
    Json::Value Progress(const std::string& req_id);
    // Polls until the status is no longer "working"; the last answer.
    Json::Value WaitForEnd(const std::string& req_id);
    HttpAnswer Get(const std::string& url);

    struct Finished {
        std::string req_id;
        Json::Value progress;  // the last progress answer
    };
    // Login (unless done before), convert, upload, report and wait for the end.
    Finished RoundTrip(const std::string& content);

    std::string PathOf(const std::string& url) const;

private:
    std::string base_url_;
    std::unique_ptr<httplib::Client> client_;
    std::string uid_;
    std::string token_;
};

// The parts of a harness that must exist before its client.
class ServiceParts {
public:
    ServiceParts(ServiceOptions options, FaultPlan faults);

    ServiceServer& Server() { return *server_; }
    FakeConverter& Converter() { return converter_; }
    const std::filesystem::path& DataFolder() const { return data_; }

private:
    TempDir temp_;
    std::filesystem::path data_;
    FakeConverter converter_;

protected:
    std::unique_ptr<ServiceServer> server_;
};

// A service in a fresh data folder, and a client of it.
class ServiceHarness : public ServiceParts, public ServiceClient {
public:
    explicit ServiceHarness(ServiceOptions options = {}, FaultPlan faults = {});
    ~ServiceHarness();
};

std::string Patterned(std::size_t size, unsigned seed = 1);
Json::Value ParseJson(const std::string& text);

}  // namespace service::testing
