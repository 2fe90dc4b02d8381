#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/AsynLog.h"
#include "support/TempDir.h"
#include "system/ComponentFiles.h"

namespace system_test {

inline std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Writes every required component file into `folder` except `missing` (empty: none).
inline void WriteComponents(const std::filesystem::path& folder, std::string_view missing = {}) {
    std::filesystem::create_directories(folder);
    for (std::string_view name : components::kRequiredFiles) {
        if (name != missing)
            std::ofstream(folder / name) << "component";
    }
}

// A runtime folder of the test's own, so that the update mutex one test holds is never seen by
// another test or by a real program of the user.
class OwnRuntimeFolder {
private:
    TempDir folder_;
    ScopedEnv env_{"XDG_RUNTIME_DIR", folder_.Path().string()};
};

// Opens the process-wide log on a file of its own for the life of the object.
class LogCapture {
public:
    LogCapture() {
        std::ofstream(file_).close();
        keasy::AsynLog::Instance().Init(file_);
    }
    ~LogCapture() { keasy::AsynLog::Instance().Close(); }

    std::string Text() {
        keasy::AsynLog::Instance().WaitIdle();
        return ReadAll(file_);
    }
    bool Contains(std::string_view line) { return Text().find(line) != std::string::npos; }

private:
    TempDir temp_;
    const std::filesystem::path file_ = temp_ / "quire.log";
};

}  // namespace system_test
