#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

class IOnlineConverter;
class IOperationBackend;

// What a composite task works with besides its own parameters. Copied into each task when it
// is constructed; the pointers are borrowed and outlive every task.
struct CompositeServices {
    IOperationBackend* operations = nullptr;  // the local conversion cores
    IOnlineConverter* online = nullptr;       // null while no online service is set up
    // Whether the user allowed sending files to the online service; null means never.
    std::function<bool()> online_allowed;
    // The per-user private folder under which each task makes its own folder for intermediate
    // files; nullopt when it cannot be had.
    std::function<std::optional<std::filesystem::path>()> temp_root;
    // Where split and merge write when the chosen place cannot take their output.
    std::function<std::filesystem::path()> desktop;

    std::chrono::milliseconds document_poll{200};  // PDF and document jobs
    std::chrono::milliseconds image_poll{10};      // picture jobs are short
    std::chrono::milliseconds parts_poll{100};     // a long document's parts

    // The program's: the process-wide core manager, the online converter set at start-up (if
    // any), the stored consent, the private temp folder and the user's desktop.
    static CompositeServices ForProgram();
    // Start-up sets this once the online client exists, before any task is constructed.
    static void SetProgramOnlineConverter(IOnlineConverter* online);
};
