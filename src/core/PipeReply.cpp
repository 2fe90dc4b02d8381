#include "core/PipeReply.h"

#include "core/JsonWire.h"

namespace {

std::string Reply(const std::string& info, int result) {
    Json::Value reply(Json::objectValue);
    if (!info.empty())
        reply["info"] = info;
    reply["result"] = result;
    return json_wire::Write(reply);
}

}  // namespace

std::string SuccessReply(const std::string& info) {
    return Reply(info, 1);
}

std::string FailureReply(const std::string& info) {
    return Reply(info, 0);
}
