#include "platform/Shell.h"

#include <chrono>
#include <filesystem>
#include <vector>

#include "platform/FileUri.h"
#include "platform/Process.h"

namespace platform {
namespace {

// Runs a helper program and gives it a moment to fail; a helper still running after that
// is left to finish on its own (the process list reaps it later).
bool RunHelper(const std::string& program, const std::vector<std::string>& arguments,
               bool wait_for_success) {
    const std::filesystem::path executable = FindInPath(program);
    if (executable.empty())
        return false;
    auto process = Process::Spawn(executable, arguments);
    if (!process)
        return false;
    if (!wait_for_success)
        return true;
    if (!process->WaitForExit(std::chrono::seconds(3)))
        return true;
    return process->ExitCode() == 0;
}

std::string AsUri(const std::string& path_or_uri) {
    if (!path_or_uri.empty() && path_or_uri.front() == '/')
        return FileUriFromPath(path_or_uri);
    return path_or_uri;
}

}  // namespace

bool OpenWithDefaultApp(const std::string& path_or_uri) {
    const std::string target = AsUri(path_or_uri);
    if (RunHelper("gio", {"open", target}, true))
        return true;
    return RunHelper("xdg-open", {target}, false);
}

bool RevealInFileManager(const std::string& path) {
    // The URI is percent-escaped, so it cannot break out of the quoted GVariant string.
    const std::string items = "['" + FileUriFromPath(path) + "']";
    if (RunHelper("gdbus",
                  {"call", "--session", "--timeout", "5", "--dest", "org.freedesktop.FileManager1",
                   "--object-path", "/org/freedesktop/FileManager1", "--method",
                   "org.freedesktop.FileManager1.ShowItems", items, ""},
                  true))
        return true;
    return OpenWithDefaultApp(std::filesystem::path(path).parent_path().string());
}

}  // namespace platform
