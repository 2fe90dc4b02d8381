#include "report/KAsynTaskMgr.h"

#include <algorithm>
#include <utility>

#include "app/AsynLog.h"

namespace report {

KAsynTaskMgr& KAsynTaskMgr::Instance() {
    static KAsynTaskMgr manager;
    return manager;
}

KAsynTaskMgr::~KAsynTaskMgr() {
    Shutdown(kDefaultShutdownBound);
}

bool KAsynTaskMgr::Add(std::unique_ptr<keasy::IFunc> task) {
    if (!task)
        return false;
    std::lock_guard lock(mutex_);
    if (shut_down_) {
        keasy::AsynLog::Instance().Print("KAsynTaskMgr::Add refused after shutdown");
        return false;
    }
    DropFinishedItems();
    auto item = KAsynTaskItem::Start(std::move(task));
    if (!item)
        return false;
    items_.push_back(std::move(item));
    return true;
}

bool KAsynTaskMgr::Shutdown(std::chrono::milliseconds bound) {
    std::vector<std::unique_ptr<KAsynTaskItem>> items;
    {
        std::lock_guard lock(mutex_);
        shut_down_ = true;
        items.swap(items_);
    }
    const auto deadline = KAsynTaskItem::Clock::now() + bound;
    std::size_t unfinished = 0;
    for (const auto& item : items) {
        if (!item->WaitFinishedUntil(deadline))
            ++unfinished;
    }
    if (unfinished > 0) {
        keasy::AsynLog::Instance().Print("KAsynTaskMgr::Shutdown still running:%u, bound ms:%d",
                                         unfinished, static_cast<int>(bound.count()));
    }
    return unfinished == 0;
}

std::size_t KAsynTaskMgr::ItemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void KAsynTaskMgr::DropFinishedItems() {
    std::erase_if(items_, [](const auto& item) { return item->IsFinished(); });
}

}  // namespace report
