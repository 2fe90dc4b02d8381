#pragma once

#include <cstdio>
#include <string_view>

namespace officehelper {

// One line to the helper's log (its stderr, which the helper points at the slot's log file).
inline void Log(std::string_view line) {
    std::fprintf(stderr, "quire-office: %.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

}  // namespace officehelper
