#pragma once

#include <memory>
#include <string_view>

namespace BkWin {

class CBkWindow;

// Makes the control for a tag a panel does not know itself; null for an unknown tag.
class IBkControlCreator {
public:
    virtual ~IBkControlCreator() = default;
    virtual std::unique_ptr<CBkWindow> CreateControl(std::string_view tag) = 0;
};

}  // namespace BkWin
