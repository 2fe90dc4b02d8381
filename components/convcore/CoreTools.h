#pragma once

#include <filesystem>

#include "convcore/CommandDispatcher.h"

// Page tools, pictures to PDF, text to PDF, curves, watermarks and CAD drawings need qpdf,
// pango and cairo, whose loading alone took about two thirds of a core's start. They live in a
// module beside the core, libquire-core-tools.so, loaded on the first task that needs one; the
// commands most tasks run (file facts, PDF to Office documents and pictures, Office documents
// to PDF, recognition) stay in the core itself.
namespace convcore {

inline constexpr char kCoreToolsModuleFile[] = "libquire-core-tools.so";
inline constexpr char kCoreToolsEntry[] = "quire_core_tools_run";

// The module's one export: performs `record`'s command (or fails it as unsupported).
using CoreToolsEntry = void (*)(const Json::Value& record, TaskContext& context,
                                TaskOutcome* outcome);

// Every command of the module, for the module itself and for tests that link it whole.
void RegisterCoreTools(CommandDispatcher& dispatcher);

// A handler that loads the module from `program_folder` once per process and passes the task
// on; when it cannot be loaded, each task fails with "cannot load the conversion tools: ...".
CommandHandler CoreToolsFromModule(const std::filesystem::path& program_folder);

}  // namespace convcore
