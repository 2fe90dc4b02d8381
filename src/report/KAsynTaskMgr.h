#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "keasy/IFunc.h"
#include "report/KAsynTaskItem.h"

namespace report {

// Runs handed-over objects off the caller's thread, one thread each. Nothing waits for them
// except Shutdown, and that only within its bound.
class KAsynTaskMgr {
public:
    static constexpr std::chrono::milliseconds kDefaultShutdownBound{2000};

    // The process-wide manager; the shutdown sequence should call Shutdown on it.
    static KAsynTaskMgr& Instance();

    KAsynTaskMgr() = default;
    // Shutdown(kDefaultShutdownBound) unless that already happened.
    ~KAsynTaskMgr();
    KAsynTaskMgr(const KAsynTaskMgr&) = delete;
    KAsynTaskMgr& operator=(const KAsynTaskMgr&) = delete;

    // Runs `task` once on a new thread, which also destroys it. Items whose work has finished
    // are dropped first. False when the manager is shut down or no thread could be made; the
    // task is then destroyed unrun.
    bool Add(std::unique_ptr<keasy::IFunc> task);

    // Waits until every item's work finished, but no longer than `bound` in all; takes no new
    // work afterwards. Threads still running at the bound are let go with what they own. True
    // when everything finished in time.
    bool Shutdown(std::chrono::milliseconds bound);

    // Items not yet dropped, finished ones included.
    std::size_t ItemCount() const;

private:
    void DropFinishedItems();  // caller holds mutex_

    mutable std::mutex mutex_;                           // guards the members below
    std::vector<std::unique_ptr<KAsynTaskItem>> items_;  // guarded by mutex_
    bool shut_down_ = false;                             // guarded by mutex_
};

}  // namespace report
