#include "core/WatermarkPreviewService.h"

#include <system_error>

#include "app/AsynLog.h"
#include "core/PipeLibrary.h"
#include "core/PreviewMsgProcessor.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace {

constexpr const char* kPreviewImageFile = "wmpreview.png";
constexpr const char* kPipeName = "watermark_preview";
constexpr int kPreviewCoreId = 666;

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

}  // namespace

WatermarkPreviewService::Paths WatermarkPreviewService::DefaultPaths() {
    const auto program_folder = platform::ProgramFolder();
    return {program_folder / kPipeLibraryFile, program_folder / kCoreExecutableFile,
            platform::UserFolder() / kPreviewImageFile};
}

WatermarkPreviewService::WatermarkPreviewService(IWatermarkPreviewView& view,
                                                 std::filesystem::path source_pdf, Paths paths)
    : view_(view),
      source_pdf_(source_pdf.string()),
      paths_(std::move(paths)),
      pipe_library_(paths_.pipe_library, "WatermarkPreviewService") {}

WatermarkPreviewService::~WatermarkPreviewService() {
    Stop();
}

bool WatermarkPreviewService::Start() {
    if (pipe_svr_)
        return true;
    pipe_svr_ = pipe_library_.Create();
    if (!pipe_svr_) {
        Log().Print("WatermarkPreviewService::Start CreatePipeSvr fail, no preview");
        return false;
    }
    if (!processor_)
        processor_ = std::make_unique<PreviewMsgProcessor>(*this);
    pipe_svr_->SetProcessor(processor_.get());
    // A new core has shown nothing yet, whatever an earlier one was given.
    dirty_ = true;
    if (!pipe_svr_->Start(kPipeName)) {
        Log().Print("WatermarkPreviewService::Start pipe server start fail, name:%s", kPipeName);
        Stop();
        return false;
    }
    // The core cannot write its image into a folder that is not there yet.
    std::error_code ignored;
    std::filesystem::create_directories(paths_.preview_image.parent_path(), ignored);
    if (!SpawnCore()) {
        Stop();
        return false;
    }
    return true;
}

bool WatermarkPreviewService::SpawnCore() {
    const std::vector<std::string> arguments = {platform::Format("-core:%d", kPreviewCoreId),
                                                platform::Format("-server:%s", kPipeName),
                                                "-multi_task:true"};
    std::string error;
    core_ = platform::Process::Spawn(paths_.core_executable, arguments, &error);
    if (!core_) {
        Log().Print("WatermarkPreviewService start core fail, path:%ws, %s",
                    paths_.core_executable.string(), error);
        return false;
    }
    Log().Print("WatermarkPreviewService core started, process_id:%d", core_->Pid());
    return true;
}

void WatermarkPreviewService::SetSettings(const WatermarkSettings& settings) {
    {
        std::lock_guard guard(settings_mutex_);
        settings_ = settings;
    }
    dirty_ = true;
}

std::optional<WatermarkSettings> WatermarkPreviewService::TakeChangedSettings() {
    if (!dirty_.exchange(false))
        return std::nullopt;
    std::lock_guard guard(settings_mutex_);
    return settings_;
}

void WatermarkPreviewService::Stop() {
    if (!pipe_svr_)
        return;
    pipe_svr_->Stop();
    pipe_library_.Release(pipe_svr_);
    pipe_svr_ = nullptr;
    // Reaps a core that has already ended; one still running is reaped by a later check.
    if (core_)
        core_->IsAlive();
}
