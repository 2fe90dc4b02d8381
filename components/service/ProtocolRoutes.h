#pragma once

#include <json/value.h>

#include <functional>
#include <optional>
#include <string>

#include "service/ConvertRequest.h"
#include "service/DataFolder.h"
#include "service/FaultInjector.h"
#include "service/RequestStore.h"
#include "service/ServiceLog.h"
#include "service/ServiceOptions.h"
#include "service/TokenStore.h"
#include "service/UrlSigner.h"

namespace service {

// The parts of the service the JSON routes work with; all owned by the server.
struct RouteContext {
    const ServiceOptions& options;
    TokenStore& tokens;
    RequestStore& requests;
    DataFolder& data;
    const UrlSigner& signer;
    FaultInjector& faults;
    ServiceLog& log;
    std::function<bool(const std::string& req_id)> queue_conversion;  // false: queue full
    std::function<std::string()> public_base;
};

// The protocol's JSON routes: a parsed request body in, the answer out. Any thread.
class ProtocolRoutes {
public:
    explicit ProtocolRoutes(RouteContext context) : context_(std::move(context)) {}

    // `body` is the request's text. Every failure is a protocol answer with its ret code.
    Json::Value Handle(Route route, const std::string& body);

private:
    Json::Value Login(const Json::Value& body);
    Json::Value Convert(const Json::Value& body, const std::string& uid, RequestKind kind);
    Json::Value ReportUpload(const Json::Value& body, const std::string& uid, RequestKind kind);
    Json::Value QueryProgress(const Json::Value& body, const std::string& uid);

    Json::Value StartFromStoredContent(RequestInfo info, const std::string& source_id);
    Json::Value AwaitUpload(RequestInfo info);
    // Queues a stored upload's conversion, or files its feedback; nullopt when done.
    std::optional<Refusal> Proceed(const RequestInfo& info, RequestState from);
    Json::Value UploadInstructions(const RequestInfo& info) const;
    Json::Value ProgressAnswer(const RequestInfo& info, const RequestStatus& status);
    std::int64_t UrlExpiry() const;

    RouteContext context_;
};

}  // namespace service
