#pragma once

#include <string>

namespace BkWin {

class CBkRadioBox;

// The process-wide radio groups: one checked radio per group name, across every window.
class BkRadioGroups {
public:
    static void Register(const std::string& group, CBkRadioBox* radio);
    static void Unregister(const std::string& group, CBkRadioBox* radio);
    // Checks `radio` and unchecks every other radio of its group.
    static void Select(const std::string& group, CBkRadioBox* radio);
};

}  // namespace BkWin
