#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/InstanceChannel.h"
#include "platform/NamedMutex.h"

// One running instance per edition: the first start holds a machine-wide named mutex and
// serves a hand-over socket; a later start finds the mutex taken and hands its command line
// to the first one. An instance that does not answer within a bound counts as absent: no
// other process is ever killed on a guess about its health.
class SingleInstance {
public:
    enum class MessageKind : std::uint32_t {
        CommandLine = 1,  // a second start's command line
        Quit = 2,         // "quire --quit": end the running instance
    };

    enum class Outcome {
        NoOtherInstance,    // carry on as the running instance (or a second one)
        InstanceActivated,  // the running instance took the message; end this process
    };

    struct Settings {
        std::string mutex_name;
        std::string socket_path;
        // How long the sender waits for the answer, and the pause before the second try
        // when the mutex is held but nobody listens yet.
        std::chrono::milliseconds answer_timeout{3000};
        std::chrono::milliseconds retry_pause{500};
    };

    explicit SingleInstance(Settings settings) : settings_(std::move(settings)) {}

    Outcome Check(MessageKind kind, const std::string& payload);

    // True when this process holds the mutex and so may serve the hand-over socket.
    bool HoldsMutex() const { return mutex_ != nullptr; }

    bool Serve(platform::InstanceServer::MessageHandler handler, std::string* error);

    // Shutdown: stop serving, then release the name.
    void Close();

private:
    Settings settings_;
    std::unique_ptr<platform::NamedMutex> mutex_;
    std::unique_ptr<platform::InstanceServer> server_;
};
