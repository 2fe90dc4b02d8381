#pragma once

#include <filesystem>
#include <string>

// An optional crash-reporting library. None is shipped; when one is installed beside the
// program (or one or two folders above it) it is loaded and its monitor started on a detached
// thread. Every failure is silent: crash reporting must never stop a start.
namespace crash_dump {

inline constexpr const char* kLibraryName = "libquire-dumpmon.so";
inline constexpr const char* kEntryPoint = "QzrOpenDumpMonitorEx2";

// The first of the program folder, its parent and its grandparent that holds the library.
std::filesystem::path FindLibrary(const std::filesystem::path& program_folder);

// The installation's identifier from the machine store, else the built-in one.
std::string MonitorIdentifier();

// True when the monitor thread was started; at most once per process.
bool Start(const std::filesystem::path& program_folder);

}  // namespace crash_dump
