#pragma once

#include "platform/window/Geometry.h"

namespace platform {
class NativeWindow;
class WindowSystem;
}  // namespace platform

namespace BkWin {

class CBkWindow;
class IBkControlCreator;
struct BkNotify;

// The layout window as its controls see it.
class IBkHost {
public:
    virtual ~IBkHost() = default;
    virtual void SendNotify(BkNotify& record) = 0;
    // Adds the rectangle to the pending redraw region.
    virtual void RedrawRect(const platform::Rect& rect) = 0;
    virtual IBkControlCreator* ControlCreator() = 0;
    // Null until the native window exists.
    virtual platform::NativeWindow* NativeWindow() = 0;
    virtual platform::WindowSystem& WindowSystem() = 0;
    // A control going away: the host drops every reference it keeps to it.
    virtual void ForgetControl(const CBkWindow* control) = 0;
};

}  // namespace BkWin
