// libquire-core-tools.so: the core's commands that need qpdf, pango and cairo (CoreTools.h).
// The module carries its own copy of what those commands use of the core; only the entry
// below is exported.
#include "convcore/CoreTools.h"

namespace {

const convcore::CommandDispatcher& Tools() {
    static const convcore::CommandDispatcher tools = [] {
        convcore::CommandDispatcher dispatcher;
        convcore::RegisterCoreTools(dispatcher);
        return dispatcher;
    }();
    return tools;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void quire_core_tools_run(
    const Json::Value& record, convcore::TaskContext& context, convcore::TaskOutcome* outcome) {
    *outcome = Tools().HandlerFor(record)(record, context);
}
