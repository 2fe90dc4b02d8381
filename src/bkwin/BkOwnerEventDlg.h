#pragma once

#include <functional>

#include "bkwin/BkDialog.h"

namespace BkWin {

// A panel that tells a listener about the mouse events of the controls inside it.
class CBkOwnerEventDlg : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "ownereventdlg"; }
    std::function<void(CBkWindow& control, BkMouseEventKind event)> on_child_event;
    void OnDescendantEvent(CBkWindow& control, BkMouseEventKind event) override {
        if (on_child_event)
            on_child_event(control, event);
    }
};

}  // namespace BkWin
