#include "convcore/CoreTools.h"

#include <dlfcn.h>

#include <memory>
#include <mutex>

namespace convcore {
namespace {

struct LoadedTools {
    CoreToolsEntry entry = nullptr;
    std::string error;
};

// Never unloaded: a handler thread that ignored its cancel may still be running in it at exit.
LoadedTools Load(const std::filesystem::path& program_folder) {
    const auto path = program_folder / kCoreToolsModuleFile;
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return {nullptr, std::string("cannot load the conversion tools: ") + ::dlerror()};
    auto* entry = reinterpret_cast<CoreToolsEntry>(::dlsym(module, kCoreToolsEntry));
    if (entry == nullptr)
        return {nullptr, path.string() + " holds no conversion tools"};
    return {entry, {}};
}

}  // namespace

CommandHandler CoreToolsFromModule(const std::filesystem::path& program_folder) {
    auto once = std::make_shared<std::once_flag>();
    auto loaded = std::make_shared<LoadedTools>();  // written once, under `once`
    return [program_folder, once, loaded](const Json::Value& record, TaskContext& context) {
        std::call_once(*once, [&] { *loaded = Load(program_folder); });
        if (loaded->entry == nullptr)
            return TaskOutcome::Failure(loaded->error);
        TaskOutcome outcome;
        loaded->entry(record, context, &outcome);
        return outcome;
    };
}

}  // namespace convcore
