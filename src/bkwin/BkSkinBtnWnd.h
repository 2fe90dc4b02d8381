#pragma once

#include <string>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A button drawn by a button skin with its state, text on top.
class CBkSkinBtnWnd : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "skinbtn"; }
    bool IsClickable() const override { return true; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;

protected:
    void DrawBackground(cairo_t* cr) override;

private:
    std::string skin_;
};

}  // namespace BkWin
