#include "convcore/CommandDispatcher.h"

#include <exception>

#include "convcore/RecordFields.h"
#include "platform/Text.h"

namespace convcore {

void CommandDispatcher::Register(const std::string& command, CommandHandler handler) {
    handlers_[platform::AsciiToLower(command)] = std::move(handler);
}

void CommandDispatcher::SetFallback(CommandHandler handler) {
    fallback_ = std::move(handler);
}

CommandHandler CommandDispatcher::HandlerFor(const Json::Value& record) const {
    const std::string command = TextField(record, "cmd");
    const auto found = handlers_.find(platform::AsciiToLower(command));
    if (found == handlers_.end() && !fallback_) {
        return [command](const Json::Value&, TaskContext&) {
            return TaskOutcome::Failure("unsupported command: " + command);
        };
    }
    // A handler bug (a bad allocation, a JSON type error) must end in a failed task, not a
    // core that dies without a word.
    const CommandHandler& chosen = found != handlers_.end() ? found->second : fallback_;
    return [handler = chosen](const Json::Value& task, TaskContext& context) {
        try {
            return handler(task, context);
        } catch (const std::exception& error) {
            return TaskOutcome::Failure(std::string("internal error: ") + error.what());
        } catch (...) {
            return TaskOutcome::Failure("internal error");
        }
    };
}

}  // namespace convcore
