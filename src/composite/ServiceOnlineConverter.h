#pragma once

#include "composite/IOnlineConverter.h"

class KSvrTaskMgr;

// The online service as composite tasks see it: each request becomes the operation object of
// its function, prepared on the service task manager and polled through that object.
class ServiceOnlineConverter : public IOnlineConverter {
public:
    // `service` is borrowed and must outlive every job submitted here.
    explicit ServiceOnlineConverter(KSvrTaskMgr* service) : service_(service) {}

    std::unique_ptr<IOnlineJob> Submit(const OnlineRequest& request) override;

private:
    KSvrTaskMgr* service_;
};
