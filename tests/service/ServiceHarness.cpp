#include "ServiceHarness.h"

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/writer.h>

#include <chrono>
#include <thread>

#include "service/Crypto.h"
#include "support/WaitUntil.h"

namespace service::testing {

bool FakeConverter::Convert(const ConversionJob& job, std::string* error) {
    ++calls;
    {
        std::lock_guard lock(mutex_);
        last_job_ = job;
    }
    job.on_progress(40);
    switch (mode.load()) {
        case Mode::kFail:
            *error = "fake failure";
            return false;
        case Mode::kWaitForCancel:
            saw_cancel = WaitUntil(job.cancelled, std::chrono::seconds(30));
            *error = "cancelled";
            return false;
        case Mode::kCopy:
            break;
    }
    std::error_code code;
    std::filesystem::copy_file(job.source, job.target, code);
    *error = code.message();
    return !code;
}

ConversionJob FakeConverter::LastJob() {
    std::lock_guard lock(mutex_);
    return last_job_;
}

Json::Value ParseJson(const std::string& text) {
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string error;
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &error))
        return Json::Value();
    return value;
}

std::string Patterned(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

ServiceParts::ServiceParts(ServiceOptions options, FaultPlan faults) : data_(temp_ / "data") {
    options.data_folder = data_;
    options.log_file = temp_ / "service.log";
    server_ = std::make_unique<ServiceServer>(options, converter_, std::move(faults));
    std::string error;
    EXPECT_TRUE(server_->Start(&error)) << error;
}

ServiceHarness::ServiceHarness(ServiceOptions options, FaultPlan faults)
    : ServiceParts(std::move(options), std::move(faults)), ServiceClient(Server().BaseUrl()) {}

ServiceHarness::~ServiceHarness() {
    server_->Stop();
}

ServiceClient::ServiceClient(const std::string& base_url)
    : base_url_(base_url), client_(std::make_unique<httplib::Client>(base_url)) {
    client_->set_read_timeout(std::chrono::seconds(20));
}

static HttpAnswer AnswerOf(const httplib::Result& result) {
    HttpAnswer answer;
    if (!result)
        return answer;
    answer.status = result->status;
    answer.body = result->body;
    answer.json = ParseJson(result->body);
    if (!answer.json.isObject())
        answer.json = Json::Value();
    return answer;
}

HttpAnswer ServiceClient::Post(const std::string& path, const std::string& body) {
    return AnswerOf(client_->Post(path, body, "application/json"));
}

HttpAnswer ServiceClient::PostJson(const std::string& path, const Json::Value& body) {
    return Post(path, Json::writeString(Json::StreamWriterBuilder(), body));
}

Json::Value ServiceClient::Common() const {
    Json::Value common(Json::objectValue);
    common["uid"] = uid_;
    common["token"] = token_;
    common["app_id"] = "quire";
    common["request_id"] = "r-1";
    common["is_tourist"] = true;
    return common;
}

Json::Value ServiceClient::Login(const std::string& device) {
    Json::Value body(Json::objectValue);
    body["common"] = Common();
    body["server_id"] = device;
    const Json::Value answer = PostJson("/user/tourist/login", body).json;
    uid_ = answer["uid"].asString();
    token_ = answer["token"].asString();
    return answer;
}

Json::Value ServiceClient::ConvertBody(const std::string& content, const std::string& filename,
                                       const std::string& target) const {
    Json::Value body(Json::objectValue);
    body["common"] = Common();
    body["convert_type"] = 1;
    body["filename"] = filename;
    body["file_type"] = std::filesystem::path(filename).extension().string().substr(1);
    body["target_file_type"] = target;
    body["md5"] = HexOf(Md5Raw(content));
    body["file_length"] = static_cast<Json::Int64>(content.size());
    return body;
}

HttpAnswer ServiceClient::Convert(const std::string& content, const std::string& filename) {
    return PostJson("/pdfweb/convert", ConvertBody(content, filename));
}

std::string ServiceClient::PathOf(const std::string& url) const {
    EXPECT_EQ(url.substr(0, base_url_.size()), base_url_);
    return url.substr(base_url_.size());
}

HttpAnswer ServiceClient::Upload(const std::string& url, const std::string& bytes,
                                 const std::string* md5_of) {
    const httplib::Headers headers{
        {"Content-MD5", Base64Of(Md5Raw(md5_of != nullptr ? *md5_of : bytes))}};
    return AnswerOf(client_->Put(PathOf(url), headers, bytes, "application/octet-stream"));
}

bool ServiceClient::UploadAll(const Json::Value& convert_answer, const std::string& content) {
    if (convert_answer["upload_type"].asInt() == 1)
        return Upload(convert_answer["normal_upload"]["url"].asString(), content).status == 200;
    const Json::Value& multipart = convert_answer["multipart_upload"];
    const std::size_t block = std::stoul(multipart["trunk_size"].asString());
    for (const Json::Value& part : multipart["trunk_urls"]) {
        const std::size_t offset = (part["part_num"].asUInt() - 1) * block;
        if (Upload(part["url"].asString(), content.substr(offset, block)).status != 200)
            return false;
    }
    return true;
}

Json::Value ServiceClient::Report(const std::string& req_id, const std::string& path) {
    Json::Value body(Json::objectValue);
    body["common"] = Common();
    body["req_id"] = req_id;
    body["convert_req_id"] = req_id;
    return PostJson(path, body).json;
}

Json::Value ServiceClient::Progress(const std::string& req_id) {
    Json::Value body(Json::objectValue);
    body["common"] = Common();
    body["convert_req_id"] = req_id;
    return PostJson("/pdfweb/query_progress", body).json;
}

Json::Value ServiceClient::WaitForEnd(const std::string& req_id) {
    Json::Value answer;
    WaitUntil([&] {
        answer = Progress(req_id);
        return answer["status"].asInt() != 1;
    });
    return answer;
}

HttpAnswer ServiceClient::Get(const std::string& url) {
    return AnswerOf(client_->Get(PathOf(url)));
}

ServiceClient::Finished ServiceClient::RoundTrip(const std::string& content) {
    if (token_.empty())
        Login();
    const Json::Value answer = Convert(content).json;
    const std::string req_id = answer["convert_req_id"].asString();
    if (answer["upload_type"].asInt() != 0) {
        EXPECT_TRUE(UploadAll(answer, content));
        EXPECT_EQ(Report(req_id)["resp_common"]["ret"].asInt(), 0);
    }
    return {req_id, WaitForEnd(req_id)};
}

}  // namespace service::testing
