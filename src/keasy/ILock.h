#pragma once

namespace keasy {

// The program's lock interface. Callers hold a lock through LockGuard so that every exit path,
// including an exception, releases it.
class ILock {
public:
    virtual ~ILock() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

class [[nodiscard]] LockGuard {
public:
    explicit LockGuard(ILock& lock) : lock_(lock) { lock_.Lock(); }
    ~LockGuard() { lock_.Unlock(); }

    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    ILock& lock_;
};

}  // namespace keasy
