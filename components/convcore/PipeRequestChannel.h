#pragma once

#include <memory>

#include "convcore/RequestChannel.h"
#include "quire-pipe/PipeClient.h"

namespace convcore {

// The request channel over the program's pipe.
class PipeRequestChannel : public RequestChannel {
public:
    explicit PipeRequestChannel(std::unique_ptr<quirepipe::PipeClient> client)
        : client_(std::move(client)) {}

    std::optional<std::string> Request(std::string_view message,
                                       std::chrono::milliseconds timeout) override {
        return client_->Request(message, timeout);
    }

private:
    std::unique_ptr<quirepipe::PipeClient> client_;
};

}  // namespace convcore
