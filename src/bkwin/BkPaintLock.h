#pragma once

#include <mutex>

namespace BkWin {

// Serialises the painting of all layout windows, which share the registries' caches.
std::mutex& BkPaintLock();

}  // namespace BkWin
