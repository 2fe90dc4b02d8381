#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/CmdLineParser.h"
#include "app/KCmdArgs.h"
#include "app/SingleInstance.h"
#include "app/SplitTestComponent.h"
#include "platform/EventLoop.h"

// The program's life on the main thread: the start-up chain, step by step with a timing mark
// after each completed step, then the main loop, then the one shutdown sequence that every
// ending goes through.
class KPdfCoreManager;
class KSvrTaskMgr;

class StartupChain {
public:
    StartupChain(std::uint32_t start_tick, int argc, const char* const* argv);

    // Returns the process exit code: 1 on every ending, as the program always has.
    int Run();

private:
    // Each returns false when the chain must end here.
    bool RunSteps();
    bool RestartAsAdminStep();
    void InitDumpStep();
    bool HandOffStep();
    bool SpecialCommandsStep();
    void ReportStartupStep();
    void NewUserStep();
    bool SingleInstanceStep();
    bool CoInitializeStep();
    bool SystemCheckStep();
    void RunMainLoop();
    void Shutdown();

    void Mark(std::string_view step_name);
    void Skip(std::string_view step_name, std::string_view reason);
    bool OnHandOver(platform::HandOverMessage message);

    const std::uint32_t start_tick_;
    std::uint32_t step_tick_ = 0;
    std::string command_line_;
    CCmdLineParser switches_;
    KCmdArgs arguments_;
    bool quit_request_ = false;  // "quire --quit": hand the running instance a quit
    std::unique_ptr<SingleInstance> single_instance_;
    bool com_initialized_ = false;
    KPdfCoreManager* core_manager_ = nullptr;  // set when start-up reached the core link
    KSvrTaskMgr* svr_task_mgr_ = nullptr;      // set when start-up reached the service client
    SplitTestComponent split_tester_;
    platform::EventLoop loop_;
};
