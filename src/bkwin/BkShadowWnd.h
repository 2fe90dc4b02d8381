#pragma once

#include <memory>

#include "bkwin/BkShadow.h"
#include "bkwin/BkSurfaceRef.h"
#include "platform/window/WindowSystem.h"

namespace BkWin {

// The shadow of a layout window: a translucent popup owned by the window that covers it and
// `size` pixels around it. It takes no input. Destroy it before the window. UI thread only.
class CShadowWnd {
public:
    // `window` and `shadow` must outlive this object.
    CShadowWnd(platform::WindowSystem& system, platform::NativeWindow& window,
               const BkShadow& shadow);
    CShadowWnd(const CShadowWnd&) = delete;
    CShadowWnd& operator=(const CShadowWnd&) = delete;

    // The shadow image for a window of `window_size`: transparent, then the hook's painting,
    // then the "dlg_shadow" frame when there is no hook or the hook asks for it.
    static BkSurfaceRef Render(const BkShadow& shadow, platform::Size window_size);

    // Shows, hides and places the shadow to match the window; redraws it when it appears or
    // when its image went stale.
    void Follow();
    // The window's size changed: the image is redrawn at the next Follow.
    void OnWindowResized();
    // Minimising, maximising and restoring change what the shadow surrounds.
    void OnWindowStateChanged();

    platform::NativeWindow& Native() { return *native_; }

private:
    bool WindowShown() const;
    int Margin() const;
    void Redraw();
    void OnPaint(cairo_t* cr);

    platform::NativeWindow& window_;
    const BkShadow& shadow_;
    std::unique_ptr<platform::NativeWindow> native_;
    BkSurfaceRef image_;
    bool stale_ = true;
};

}  // namespace BkWin
