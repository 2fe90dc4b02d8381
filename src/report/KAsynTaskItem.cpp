#include "report/KAsynTaskItem.h"

#include <system_error>
#include <utility>

#include "app/AsynLog.h"

namespace report {

std::unique_ptr<KAsynTaskItem> KAsynTaskItem::Start(std::unique_ptr<keasy::IFunc> task) {
    std::unique_ptr<KAsynTaskItem> item(new KAsynTaskItem);
    item->state_ = std::make_shared<State>();
    try {
        item->thread_ = std::thread([state = item->state_, task = std::move(task)]() mutable {
            task->Invoke();
            task.reset();
            std::lock_guard lock(state->mutex);
            state->finished = true;
            state->finished_cv.notify_all();
        });
    } catch (const std::system_error& error) {
        keasy::AsynLog::Instance().Print("KAsynTaskItem::Start no thread:%s", error.what());
        return nullptr;
    }
    return item;
}

KAsynTaskItem::~KAsynTaskItem() {
    if (!thread_.joinable())
        return;
    // A finished thread has only its return left, so joining it is immediate.
    if (IsFinished())
        thread_.join();
    else
        thread_.detach();
}

bool KAsynTaskItem::IsFinished() const {
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

bool KAsynTaskItem::WaitFinishedUntil(Clock::time_point deadline) const {
    std::unique_lock lock(state_->mutex);
    return state_->finished_cv.wait_until(lock, deadline, [this] { return state_->finished; });
}

}  // namespace report
