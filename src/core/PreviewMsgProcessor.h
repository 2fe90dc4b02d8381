#pragma once

#include <json/value.h>

#include <string>

#include "quire-pipe/PipeInterfaces.h"

class WatermarkPreviewService;

// The preview core's side of the watermark preview pipe: hands out the dialog's settings
// whenever they changed and passes each finished preview image on to the dialog.
class PreviewMsgProcessor final : public IMsgProcessor {
public:
    explicit PreviewMsgProcessor(WatermarkPreviewService& owner) : owner_(owner) {}

    const char* OnMessage(const char* request) override;
    void OnDisconnect() override {}
    IMsgProcessor* CreateProcessor() override;
    void Release() override;

private:
    std::string OnGetTask();
    std::string OnNotify(const Json::Value& request);

    WatermarkPreviewService& owner_;
    std::string reply_;  // the last reply; what OnMessage returned points into it
};
