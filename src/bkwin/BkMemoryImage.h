#pragma once

#include "bkwin/BkSurfaceRef.h"
#include "bkwin/BkWindow.h"

namespace BkWin {

// An image the owner holds in memory; "adaptwindow" fits it into the control.
class CBkMemoryImage : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "memimage"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;
    // Takes a reference of its own; null clears the image.
    void SetImage(cairo_surface_t* image);
    cairo_surface_t* Image() const { return image_.get(); }

protected:
    void DrawContent(cairo_t* cr) override;

private:
    BkSurfaceRef image_;
    bool adapt_window_ = false;
};

}  // namespace BkWin
