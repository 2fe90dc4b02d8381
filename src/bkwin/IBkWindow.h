#pragma once

namespace BkWin {

// What every control answers about its placement and the DPI rate it draws at.
class IBkWindow {
public:
    virtual ~IBkWindow() = default;
    // Resolves the control's position inside its parent again.
    virtual void Reposition() = 0;
    virtual int ScaleValue(int value) const = 0;
    virtual int UnscaleValue(int value) const = 0;
};

}  // namespace BkWin
