#pragma once

#include <json/value.h>

#include <string>

#include "quire-pipe/PipeInterfaces.h"

class KPdfCoreManager;

// The program's side of one conversion core's connection: answers the core's requests from
// the core manager's task table. All lasting state lives in the manager; this keeps only the
// ids of the last request and the last reply.
class KConvertTask final : public IMsgProcessor {
public:
    explicit KConvertTask(KPdfCoreManager& manager) : manager_(manager) {}

    const char* OnMessage(const char* request) override;
    void OnDisconnect() override;
    IMsgProcessor* CreateProcessor() override;
    void Release() override;

private:
    std::string Dispatch(const std::string& cmd, const Json::Value& request);
    std::string OnGetTask();
    std::string OnGetParams();
    std::string OnNotify(const Json::Value& request);
    std::string OnExit();

    KPdfCoreManager& manager_;
    int task_id_ = 0;    // from the last request, 0 when absent
    int core_id_ = 0;    // likewise
    std::string reply_;  // the last reply; what OnMessage returned points into it
};
