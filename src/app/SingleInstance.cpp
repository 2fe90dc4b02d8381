#include "app/SingleInstance.h"

#include <thread>

#include "app/AsynLog.h"

SingleInstance::Outcome SingleInstance::Check(MessageKind kind, const std::string& payload) {
    auto created = platform::NamedMutex::Create(settings_.mutex_name);
    switch (created.status) {
        case platform::NamedMutex::Status::Created:
            mutex_ = std::move(created.mutex);
            return Outcome::NoOtherInstance;
        case platform::NamedMutex::Status::Failed:
            keasy::AsynLog::Instance().Print(
                "SingleInstance::Check cannot use the lock folder for:%s; starting anyway",
                settings_.mutex_name);
            return Outcome::NoOtherInstance;
        case platform::NamedMutex::Status::AlreadyExists:
        case platform::NamedMutex::Status::AccessDenied:
            break;
    }
    const platform::HandOverMessage message{static_cast<std::uint32_t>(kind), payload};
    auto result = platform::SendHandOver(settings_.socket_path, message, settings_.answer_timeout);
    if (result == platform::HandOverResult::NoInstance) {
        // The holder may be starting and not serving yet.
        std::this_thread::sleep_for(settings_.retry_pause);
        result = platform::SendHandOver(settings_.socket_path, message, settings_.answer_timeout);
    }
    keasy::AsynLog::Instance().Print("SingleInstance::Check hand-over result:%d",
                                     static_cast<int>(result));
    if (result == platform::HandOverResult::Delivered)
        return Outcome::InstanceActivated;
    return Outcome::NoOtherInstance;
}

bool SingleInstance::Serve(platform::InstanceServer::MessageHandler handler, std::string* error) {
    if (!mutex_)
        return false;
    server_ = platform::InstanceServer::Listen(settings_.socket_path, std::move(handler), error);
    return server_ != nullptr;
}

void SingleInstance::Close() {
    server_.reset();
    mutex_.reset();
}
