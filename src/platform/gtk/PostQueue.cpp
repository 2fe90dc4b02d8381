#include "platform/gtk/PostQueue.h"

#include <glib.h>

namespace platform {
namespace {

void ReleaseQueue(gpointer holder) {
    delete static_cast<std::shared_ptr<PostQueue>*>(holder);
}

}  // namespace

void PostQueue::Post(std::function<void()> closure) {
    std::lock_guard lock(mutex_);
    if (closed_ || !closure)
        return;
    pending_.push_back(std::move(closure));
    if (drain_scheduled_)
        return;
    drain_scheduled_ = true;
    // g_idle_add_full is safe from any thread and wakes the main context.
    g_idle_add_full(G_PRIORITY_DEFAULT, &PostQueue::Drain,
                    new std::shared_ptr<PostQueue>(shared_from_this()), &ReleaseQueue);
}

void PostQueue::Close() {
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(pending_);
}

int PostQueue::Drain(void* holder) {
    (*static_cast<std::shared_ptr<PostQueue>*>(holder))->RunPending();
    return G_SOURCE_REMOVE;
}

void PostQueue::RunPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        drain_scheduled_ = false;
        batch.swap(pending_);
    }
    // A closure may close the queue (by destroying the window system): the rest is dropped.
    for (auto& closure : batch) {
        {
            std::lock_guard lock(mutex_);
            if (closed_)
                return;
        }
        closure();
    }
}

}  // namespace platform
