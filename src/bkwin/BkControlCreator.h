#pragma once

#include "bkwin/IBkControlCreator.h"

namespace BkWin {

// The framework's second set of controls: lists, scrolling and slider panels, shapes.
class CBkControlCreator : public IBkControlCreator {
public:
    std::unique_ptr<CBkWindow> CreateControl(std::string_view tag) override;
};

}  // namespace BkWin
