#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/KCmdArgs.h"

// Special commands: switches that make the process do one job and exit before any window
// exists. The jobs that live in higher layers (configuration, feedback report, component
// update) come in as callables; a job left empty counts as failed.
class KExecCmd {
public:
    struct Jobs {
        std::function<bool()> load_config;
        std::function<bool(const std::string& file)> feedback_report;
        std::function<bool()> update_files;
    };

    static constexpr std::string_view kWidgetMutexName =
        "Global\\{317CF216-7AD7-42ed-A577-976F61DF6DA8}";

    KExecCmd(KCmdArgs args, Jobs jobs) : args_(std::move(args)), jobs_(std::move(jobs)) {}

    // The number of special commands executed, whether their jobs succeeded or not; above
    // zero means the process should end now.
    int RunCmds();

    // The job of "async_convert": the feedback report for the file in its value.
    bool RunFeedback();

    // Command lines that start a special command in a child copy of this program at
    // `program_path`; hand ChildArguments() of them to platform::Process::Spawn.
    static KCmdArgs FeedbackCommand(const std::string& program_path, const std::string& file);
    static KCmdArgs UpdateFilesCommand(const std::string& program_path);

private:
    bool RunUpdateFiles();
    void RunWidget();
    void RunEnableMenu();

    KCmdArgs args_;
    Jobs jobs_;
};
