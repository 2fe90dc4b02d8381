#include "keasy/RecursiveLock.h"

namespace keasy {

void RecursiveLock::Lock() {
    mutex_.lock();
}

void RecursiveLock::Unlock() {
    mutex_.unlock();
}

}  // namespace keasy
