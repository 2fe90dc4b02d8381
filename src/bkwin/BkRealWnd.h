#pragma once

#include <memory>

#include "bkwin/BkWindow.h"
#include "platform/window/NativeWindow.h"

namespace BkWin {

// The place of a native child the owner supplies (a text field): the field follows the
// control's rectangle and visibility, and goes away with the control.
class CBkRealWnd : public CBkWindow {
public:
    ~CBkRealWnd() override;
    std::string_view GetObjectClass() const override { return "realwnd"; }
    void AttachEdit(std::unique_ptr<platform::NativeEdit> edit);
    platform::NativeEdit* Edit() const { return edit_.get(); }

protected:
    void DrawBackground(cairo_t*) override {}
    void DrawContent(cairo_t*) override {}
    void OnPlaced() override;
    void OnShownChanged() override;

private:
    std::unique_ptr<platform::NativeEdit> edit_;
};

}  // namespace BkWin
