#include "service/CoreConverter.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/AsynLog.h"
#include "core/KConvertBase.h"
#include "core/KPdfCoreManager.h"
#include "core/PipeLibrary.h"
#include "service/ConversionCommands.h"

namespace service {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPollInterval = 200ms;
// A core gets 10 s to stop a cancelled handler before it leaves on its own; this is beyond.
constexpr auto kCancelGrace = 15s;
constexpr auto kTakeTimeout = 30s;
// 100 waits until the result is in place, so that a client never fetches a missing file.
constexpr int kLastProgressBeforePublished = 99;
constexpr char kFailed[] = "conversion failed";
constexpr char kCancelled[] = "conversion cancelled";
constexpr char kTooLong[] = "conversion took too long";

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

// A hidden folder beside the target for what the core writes, removed with its contents when
// the job ends: whatever happens to the core, the target appears only by the final rename.
class StagingFolder {
public:
    static std::optional<StagingFolder> Create(const fs::path& target, std::string* error) {
        const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string pattern = (parent / ".quire-job-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            *error = "cannot write in " + parent.string() + ": " + std::strerror(errno);
            return std::nullopt;
        }
        return StagingFolder(pattern);
    }
    StagingFolder(StagingFolder&& other) noexcept : path_(std::move(other.path_)) {
        other.path_.clear();
    }
    StagingFolder& operator=(StagingFolder&&) = delete;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    ~StagingFolder() {
        std::error_code ignored;
        if (!path_.empty())
            fs::remove_all(path_, ignored);
    }

    const fs::path& Path() const { return path_; }

private:
    explicit StagingFolder(fs::path path) : path_(std::move(path)) {}

    fs::path path_;  // empty once moved from
};

// Hands the job's progress on rising only: a fallback command starts its own count again.
class ProgressRelay {
public:
    explicit ProgressRelay(const std::function<void(int)>& sink) : sink_(sink) {}

    void Report(int percent) {
        if (percent <= last_)
            return;
        last_ = percent;
        if (sink_)
            sink_(percent);
    }

private:
    const std::function<void(int)>& sink_;
    int last_ = -1;
};

// The share of the job's progress one command covers.
struct ProgressSpan {
    int from = 0;
    int to = 100;

    int Map(int core_percent) const {
        const int percent = from + std::clamp(core_percent, 0, 100) * (to - from) / 100;
        return std::min(percent, kLastProgressBeforePublished);
    }
};

// One job on the thread that called Convert.
struct JobRun {
    const ConversionJob& job;
    fs::path core_target;
    Clock::time_point deadline;
    ProgressRelay progress;
    std::string error;

    bool Cancelled() const { return job.cancelled && job.cancelled(); }
    bool Fail(std::string reason) {
        error = std::move(reason);
        return false;
    }
};

bool IsBlankCharacter(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// True when the text file has no visible character; stops at the first one.
bool HoldsNoText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> chunk(64 * 1024);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto end = chunk.begin() + in.gcount();
        if (std::find_if_not(chunk.begin(), end, IsBlankCharacter) != end)
            return false;
    }
    return true;
}

bool IsNonEmptyFile(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error) && fs::file_size(file, error) > 0 && !error;
}

// The one picture a page-image command left in its folder.
std::optional<fs::path> SinglePicture(const fs::path& folder) {
    std::optional<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().filename().string().starts_with('.') || !entry.is_regular_file(error))
            continue;
        if (found)
            return std::nullopt;
        found = entry.path();
    }
    return found;
}

std::optional<fs::path> ResultOf(const CoreCommand& command, const fs::path& core_target) {
    const std::optional<fs::path> result = command.output == CoreOutput::kImageFolder
                                               ? SinglePicture(core_target)
                                               : std::optional(core_target);
    if (!result || !IsNonEmptyFile(*result))
        return std::nullopt;
    return result;
}

std::string AbsoluteText(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).string();
}

class CoreConverter final : public IServiceConverter {
public:
    explicit CoreConverter(const CoreConverterSettings& settings)
        : time_limit_(settings.time_limit), manager_(ManagerSettings(settings)) {}

    bool Convert(const ConversionJob& job, std::string* error) override {
        JobRun run{job, {}, Clock::now() + time_limit_, ProgressRelay(job.on_progress), {}};
        if (ConvertJob(run))
            return true;
        Log().Print("CoreConverter::Convert fail, type:%s to %s, source:%s, error:%s",
                    job.file_type, job.target_file_type, job.source.string(), run.error);
        if (error)
            *error = run.error;
        return false;
    }

private:
    static KPdfCoreManager::Settings ManagerSettings(const CoreConverterSettings& settings) {
        KPdfCoreManager::Settings manager;
        manager.pipe_library = settings.pipe_library;
        manager.core_executable = settings.core_executable;
        manager.may_start_cores_at_init = [] { return true; };
        manager.take_timeout = kTakeTimeout;
        return manager;
    }

    bool StartCores() {
        std::call_once(start_once_, [this] { started_ = manager_.Init(); });
        return started_;
    }

    bool ConvertJob(JobRun& run) {
        const ConversionJob& job = run.job;
        const CommandChoice choice =
            ChooseCoreCommand(job.file_type, job.target_file_type, job.custom_data);
        if (!choice.accepted)
            return run.Fail(choice.refusal);
        if (!job.target.has_filename())
            return run.Fail("no target file given");
        if (!StartCores())
            return run.Fail("the conversion core cannot be started");
        auto staging = StagingFolder::Create(job.target, &run.error);
        if (!staging)
            return false;
        const CoreCommand& command = choice.command;
        run.core_target = command.output == CoreOutput::kImageFolder
                              ? staging->Path()
                              : staging->Path() / job.target.filename();
        const auto result = ConvertWithFallback(run, command);
        return result && Publish(run, *result);
    }

    std::optional<fs::path> ConvertWithFallback(JobRun& run, const CoreCommand& command) {
        const bool has_fallback = !command.blank_text_fallback.isNull();
        if (!RunCommand(run, command, {0, has_fallback ? 50 : 100}))
            return std::nullopt;
        if (!has_fallback)
            return Delivered(run, command);
        // A page without text gives nothing at all, so an empty file is blank as well.
        const auto result = ResultOf(command, run.core_target);
        if (result && !HoldsNoText(*result))
            return result;
        std::error_code ignored;
        fs::remove(run.core_target, ignored);
        CoreCommand fallback;
        fallback.record = command.blank_text_fallback;
        if (!RunCommand(run, fallback, {50, 100}))
            return std::nullopt;
        return Delivered(run, fallback);
    }

    // The result of a command the core reported done; a missing or empty one fails the job.
    static std::optional<fs::path> Delivered(JobRun& run, const CoreCommand& command) {
        auto result = ResultOf(command, run.core_target);
        if (!result)
            run.Fail(kFailed);
        return result;
    }

    bool RunCommand(JobRun& run, const CoreCommand& command, ProgressSpan span) {
        Json::Value record =
            RecordWithPaths(command, AbsoluteText(run.job.source), AbsoluteText(run.core_target));
        KConvertBase task(&manager_);
        if (!task.SubmitCmd(record))
            return run.Fail("the conversion core did not take the job");
        const bool succeeded = AwaitSuccess(run, task, span);
        // The service runs for long; its manager need not remember a job that has ended.
        manager_.ForgetTask(task.CoreTaskId());
        return succeeded;
    }

    bool AwaitSuccess(JobRun& run, KConvertBase& task, ProgressSpan span) {
        for (;;) {
            const int result = task.GetResult();
            if (result > 0)
                return true;
            if (result == 0) {
                const std::string error = task.GetError();
                return run.Fail(error.empty() ? kFailed : error);
            }
            const int progress = task.GetProgress();
            if (progress >= 0)
                run.progress.Report(span.Map(progress));
            if (run.Cancelled())
                return Abandon(run, task, kCancelled);
            if (Clock::now() >= run.deadline)
                return Abandon(run, task, kTooLong);
            std::this_thread::sleep_for(kPollInterval);
        }
    }

    // The core removes its partial output when it stops; the staging folder takes the rest.
    static bool Abandon(JobRun& run, KConvertBase& task, const char* reason) {
        task.Cancel();
        const auto give_up = Clock::now() + kCancelGrace;
        while (task.GetResult() < 0) {
            if (Clock::now() >= give_up) {
                Log().Print("CoreConverter core task:%d did not end after cancel",
                            task.CoreTaskId());
                break;
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        return run.Fail(reason);
    }

    static bool Publish(JobRun& run, const fs::path& result) {
        if (run.Cancelled())
            return run.Fail(kCancelled);
        std::error_code error;
        fs::rename(result, run.job.target, error);
        if (error)
            return run.Fail("cannot write " + run.job.target.string() + ": " + error.message());
        run.progress.Report(100);
        return true;
    }

    const std::chrono::milliseconds time_limit_;
    // Shared by every Convert; it guards its task and core tables with its own locks.
    KPdfCoreManager manager_;
    std::once_flag start_once_;  // the first Convert to need cores runs Init
    bool started_ = false;       // written inside start_once_, read after it
};

}  // namespace

std::unique_ptr<IServiceConverter> MakeCoreConverter(const CoreConverterSettings& settings) {
    return std::make_unique<CoreConverter>(settings);
}

std::unique_ptr<IServiceConverter> MakeCoreConverter(const fs::path& program_folder) {
    CoreConverterSettings settings;
    settings.core_executable = program_folder / kCoreExecutableFile;
    settings.pipe_library = program_folder / kPipeLibraryFile;
    return MakeCoreConverter(settings);
}

}  // namespace service
