#include "convcore/CoreTools.h"

#include <memory>
#include <mutex>

#include "platform/DynamicLibrary.h"

namespace convcore {
namespace {

struct LoadedTools {
    std::unique_ptr<platform::DynamicLibrary> module;  // kept as long as the handler
    CoreToolsEntry entry = nullptr;
    std::string error;
};

void Load(const std::filesystem::path& program_folder, LoadedTools* loaded) {
    const auto path = program_folder / kCoreToolsModuleFile;
    std::string reason;
    loaded->module = platform::DynamicLibrary::Open(path, &reason);
    if (loaded->module == nullptr) {
        loaded->error = "cannot load the conversion tools: " + reason;
        return;
    }
    loaded->entry = reinterpret_cast<CoreToolsEntry>(loaded->module->Symbol(kCoreToolsEntry));
    if (loaded->entry == nullptr)
        loaded->error = path.string() + " holds no conversion tools";
}

}  // namespace

CommandHandler CoreToolsFromModule(const std::filesystem::path& program_folder) {
    auto once = std::make_shared<std::once_flag>();
    auto loaded = std::make_shared<LoadedTools>();  // written once, under `once`
    return [program_folder, once, loaded](const Json::Value& record, TaskContext& context) {
        std::call_once(*once, [&] { Load(program_folder, loaded.get()); });
        if (loaded->entry == nullptr)
            return TaskOutcome::Failure(loaded->error);
        TaskOutcome outcome;
        loaded->entry(record, context, &outcome);
        return outcome;
    };
}

}  // namespace convcore
