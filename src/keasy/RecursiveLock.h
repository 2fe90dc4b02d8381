#pragma once

#include <mutex>

#include "keasy/ILock.h"

namespace keasy {

// Recursive so that a thread already holding the lock may call code that takes it again.
class RecursiveLock final : public ILock {
public:
    RecursiveLock() = default;
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void Lock() override;
    void Unlock() override;

private:
    std::recursive_mutex mutex_;
};

// The name the rest of the program uses. A class named Lock could not have a Lock() member, so
// the implementation carries a longer name.
using Lock = RecursiveLock;

}  // namespace keasy
