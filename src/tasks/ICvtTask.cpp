#include "tasks/ICvtTask.h"

#include <ctime>

#include "platform/Format.h"
#include "platform/Text.h"
#include "platform/Tick.h"
#include "tasks/ConversionStarted.h"
#include "tasks/KTaskCenter.h"
#include "tasks/Md5.h"
#include "tasks/TaskResultSignal.h"

namespace {

std::int64_t TickNow() {
    return static_cast<std::int32_t>(platform::GetTickCount());
}

// Two tasks of the same file started in the same second would otherwise get the same name and
// overwrite each other's intermediate file; the sequence number keeps every name unique within
// the process.
std::atomic<std::uint64_t> temp_name_sequence{0};

}  // namespace

ICvtTask::ICvtTask(quirekit::ICvtUpateProcess* progress) : progress_(progress) {
    SetResult(-2);
}

ICvtTask::~ICvtTask() = default;

void ICvtTask::Start() {
    tasks::MarkConversionStarted();
    AddRef();
    KTaskCenter::Instance().PostConversion(this);
}

void ICvtTask::Cancel() {
    cancelled_.store(1);
}

void ICvtTask::Run() {
    const std::int64_t now = TickNow();
    start_time_.store(now);
    phase_time_.store(now);
    DoWork();
    SetEndTimeOnce();
}

void ICvtTask::DoWork() {}

std::string ICvtTask::MakeTempPdfPath(const std::string& folder, const std::string& source_path) {
    const std::string md5 = tasks::Md5HexOfFile(source_path).value_or(std::string());
    return platform::Format("%s%s_%lld_%llu.pdf", folder, md5,
                            static_cast<long long>(std::time(nullptr)),
                            static_cast<unsigned long long>(++temp_name_sequence));
}

int ICvtTask::GetResult() {
    return GetInt("result", -2);
}

int ICvtTask::IsCancelled() {
    return cancelled_.load();
}

int ICvtTask::IsLocal() {
    return 1;
}

std::string ICvtTask::GetErrorMsg() {
    keasy::LockGuard guard(lock_);
    return error_msg_;
}

tasks::ErrorInfo ICvtTask::GetErrorInfo() {
    keasy::LockGuard guard(lock_);
    return tasks::MapConversionError(error_code_, error_msg_);
}

std::string ICvtTask::GetSourcePath() {
    return {};
}

std::string ICvtTask::GetTargetPath() {
    return {};
}

void ICvtTask::SetPageCount(int page_count) {
    page_count_.store(page_count);
}

int ICvtTask::GetPageCount() {
    return page_count_.load();
}

int ICvtTask::GetSelectedPageCount() {
    return static_cast<int>(selected_pages_.size());
}

void ICvtTask::AddPages(int first, int last) {
    for (int page = first; page <= last; ++page)
        selected_pages_.push_back(page);
}

void ICvtTask::SetValue(const std::string& key, int value) {
    keasy::LockGuard guard(lock_);
    values_[key] = platform::Format("%d", value);
}

std::string ICvtTask::GetValue(const std::string& key, const std::string& default_value) {
    keasy::LockGuard guard(lock_);
    const auto value = values_.find(key);
    return value == values_.end() ? default_value : value->second;
}

int ICvtTask::GetInt(const std::string& key, int default_value) {
    return platform::ParseIntLikeWtoi(GetValue(key, platform::Format("%d", default_value)));
}

void ICvtTask::SetResult(int result) {
    // The window reads the times as soon as the outcome is final, which may be before Run
    // returns; the end time must already be there.
    if (result >= 0)
        SetEndTimeOnce();
    SetValue("result", result);
    if (result >= 0)
        TaskResultSignal().Notify();
}

void ICvtTask::SetErrorMsg(std::string message) {
    keasy::LockGuard guard(lock_);
    error_msg_ = std::move(message);
}

void ICvtTask::SetErrorCode(int code) {
    keasy::LockGuard guard(lock_);
    error_code_ = code;
}

int ICvtTask::GetErrorCode() {
    keasy::LockGuard guard(lock_);
    return error_code_;
}

void ICvtTask::ResetPhaseTime() {
    phase_time_.store(TickNow());
}

void ICvtTask::SetEndTimeOnce() {
    if (!end_time_set_.exchange(true))
        end_time_.store(TickNow());
}

void ICvtTask::AddRef() {
    ref_count_.fetch_add(1);
}

void ICvtTask::Release() {
    // Only the release that brings the count to zero deletes, so two threads releasing at
    // once cannot both delete.
    if (ref_count_.fetch_sub(1) == 1)
        delete this;
}

void ICvtTask::DetachProgress() {
    std::lock_guard guard(progress_mutex_);
    progress_ = nullptr;
}

void ICvtTask::ReportProgress(int percent) {
    std::lock_guard guard(progress_mutex_);
    if (progress_)
        progress_->UpdateProcess(percent);
}
