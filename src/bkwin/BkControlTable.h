#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <utility>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A tag → control table, tried in order; tags match case-sensitively.
using ControlFactory = std::unique_ptr<CBkWindow> (*)();
using ControlTableEntry = std::pair<std::string_view, ControlFactory>;

template <class Control>
std::unique_ptr<CBkWindow> MakeControl() {
    return std::make_unique<Control>();
}

inline std::unique_ptr<CBkWindow> CreateFromTable(std::span<const ControlTableEntry> table,
                                                  std::string_view tag) {
    for (const auto& [name, make] : table) {
        if (name == tag)
            return make();
    }
    return nullptr;
}

}  // namespace BkWin
