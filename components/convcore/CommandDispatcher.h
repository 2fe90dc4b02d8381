#pragma once

#include <map>
#include <string>

#include "convcore/TaskContext.h"

namespace convcore {

// The table from command name to the handler that performs it.
class CommandDispatcher {
public:
    void Register(const std::string& command, CommandHandler handler);
    // Performs every command not in the table (a table kept elsewhere, loaded on first use).
    void SetFallback(CommandHandler handler);

    // The handler for the record's "cmd", matched without regard to ASCII case, as a copy the
    // caller owns (a task thread may outlive the dispatcher). It never throws: a handler that
    // throws fails with the exception's text, and an unknown command fails with
    // "unsupported command: <cmd>" unless a fallback takes it.
    CommandHandler HandlerFor(const Json::Value& record) const;

private:
    std::map<std::string, CommandHandler> handlers_;  // keys lower-case; filled before any task
    CommandHandler fallback_;                         // set before any task, if at all
};

// The dispatcher with every command this core performs: its own, and those of the tools module
// (see CoreTools.h), loaded on the first task that needs one.
CommandDispatcher MakeCoreDispatcher();

}  // namespace convcore
