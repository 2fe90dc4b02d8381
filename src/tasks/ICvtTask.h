#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "keasy/RecursiveLock.h"
#include "tasks/ConversionErrors.h"
#include "tasks/ICvtUpateProcess.h"

// One conversion, or one query of a file's facts, run on a pool thread of KTaskCenter while the
// window that created it polls. Reference-counted: the creator holds one reference, a started
// run holds another, and whichever releases last deletes the task.
//
// "result" in the property table: -2 not yet run, -1 running, 0 failed, 1 succeeded.
//
// Threads: the window sets paths, pages, password and page count before Start; posting the run
// through the pool's queue publishes them to the pool thread. From then on the pool thread
// writes and the window reads only the members documented as shared below.
class ICvtTask {
public:
    // `progress` may be null; it is borrowed (see DetachProgress).
    explicit ICvtTask(quirekit::ICvtUpateProcess* progress);
    virtual ~ICvtTask();

    ICvtTask(const ICvtTask&) = delete;
    ICvtTask& operator=(const ICvtTask&) = delete;

    // Marks that a conversion has been started, takes a reference for the run and queues it on
    // the conversion pool. Returns at once.
    virtual void Start();
    // Only raises the flag; the work loops notice it.
    virtual void Cancel();
    // Called by the task center only.
    virtual void Run();
    virtual void DoWork();
    // folder + MD5 of the source's bytes + "_" + seconds since 1970 + "_" + a process-wide
    // sequence number + ".pdf". The folder is used as given, so it ends in "/". The MD5 part is
    // empty when the source cannot be read.
    virtual std::string MakeTempPdfPath(const std::string& folder, const std::string& source_path);
    virtual int GetResult();
    virtual int IsCancelled();
    virtual int IsLocal();
    virtual std::string GetErrorMsg();
    virtual tasks::ErrorInfo GetErrorInfo();
    virtual std::string GetSourcePath();
    virtual std::string GetTargetPath();
    virtual void SetPageCount(int page_count);
    virtual int GetPageCount();
    virtual int GetSelectedPageCount();

    // Appends first..last (nothing when last < first).
    void AddPages(int first, int last);
    const std::vector<int>& SelectedPages() const { return selected_pages_; }

    void SetPassword(std::string password) { password_ = std::move(password); }
    const std::string& Password() const { return password_; }

    void SetValue(const std::string& key, int value);
    std::string GetValue(const std::string& key, const std::string& default_value);
    // The value read like _wtoi; `default_value` when the key is absent.
    int GetInt(const std::string& key, int default_value);
    void SetResult(int result);

    void SetErrorMsg(std::string message);
    void SetErrorCode(int code);
    int GetErrorCode();

    // Tick counts in milliseconds, widened to 64 bits; 0 until set.
    std::int64_t StartTime() const { return start_time_.load(); }
    std::int64_t PhaseTime() const { return phase_time_.load(); }
    std::int64_t EndTime() const { return end_time_.load(); }
    // A task that moves from the local core to the online service restarts its phase here.
    void ResetPhaseTime();

    void AddRef();
    void Release();

    // The window calls this before it drops a task whose row goes away. A progress call in
    // flight finishes first; none starts afterwards. Must not be called from the sink itself.
    void DetachProgress();

protected:
    // Passes 0..100 to the sink unless it was detached.
    void ReportProgress(int percent);

private:
    void SetEndTimeOnce();

    std::atomic<std::int32_t> ref_count_{1};
    // Written by the pool thread, read by the window at any time (the result record of a task
    // still running reads them too), hence atomic.
    std::atomic<std::int64_t> start_time_{0};
    std::atomic<std::int64_t> phase_time_{0};
    std::atomic<std::int64_t> end_time_{0};
    std::atomic<bool> end_time_set_{false};  // the end time is taken once, by the pool thread
    std::atomic<std::int32_t> page_count_{0};
    std::atomic<std::int32_t> cancelled_{0};  // set by the window, read by the work loops
    std::vector<int> selected_pages_;  // filled by the window before Start, read-only afterwards
    std::string password_;             // as selected_pages_

    keasy::Lock lock_;                           // guards the members below
    std::map<std::string, std::string> values_;  // guarded by lock_
    std::string error_msg_;                      // guarded by lock_
    int error_code_ = 0;                         // guarded by lock_

    std::mutex progress_mutex_;                       // held for every call into the sink
    quirekit::ICvtUpateProcess* progress_ = nullptr;  // guarded by progress_mutex_
};
