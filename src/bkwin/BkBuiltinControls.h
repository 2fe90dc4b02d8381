#pragma once

#include <memory>
#include <string_view>

namespace BkWin {

class CBkWindow;

// The controls every panel knows itself; null for any other tag (matched case-sensitively).
std::unique_ptr<CBkWindow> CreateBuiltinControl(std::string_view tag);

}  // namespace BkWin
