#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "service/ServiceConverter.h"

namespace service {

struct CoreConverterSettings {
    std::filesystem::path core_executable;  // quire-core
    std::filesystem::path pipe_library;     // libquire-pipe.so
    // A job still running after this long is cancelled and fails.
    std::chrono::milliseconds time_limit{std::chrono::minutes(30)};
};

// Converts jobs on local conversion cores, any number of jobs at once from any threads. The
// cores are started with the first job. Destroy the converter only once every Convert call has
// returned; destroying it stops the cores' pipe server.
std::unique_ptr<IServiceConverter> MakeCoreConverter(const CoreConverterSettings& settings);

// With quire-core and libquire-pipe.so of `program_folder`.
std::unique_ptr<IServiceConverter> MakeCoreConverter(const std::filesystem::path& program_folder);

}  // namespace service
