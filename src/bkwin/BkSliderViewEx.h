#pragma once

#include "bkwin/BkDialog.h"

namespace BkWin {

// A horizontal slider panel: the value follows the mouse along its width; the owner may
// refuse each change through notification 11 and hears of the release through 12.
class CBkSliderViewEx : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "sliderviewex"; }
    bool IsClickable() const override { return true; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    CBkWindow* HitTest(platform::Point point) override { return CBkWindow::HitTest(point); }

    int Value() const { return value_; }
    int MaxValue() const { return max_value_; }
    // Sets the value without asking the owner (clamped to 0..max).
    void SetValue(int value);

    void OnLButtonDown(platform::Point at) override;
    void OnMouseMove(platform::Point at) override;
    void OnLButtonUp(platform::Point at) override;
    bool OnMouseWheel(platform::Point at, int delta) override;

protected:
    void DrawContent(cairo_t* cr) override;

private:
    int ValueAt(platform::Point at) const;
    // Asks the owner (code 11) and applies the value unless refused.
    void Propose(int value);

    int value_ = 0;
    int max_value_ = 100;
    int step_ = 1;
    bool wheel_ = false;
    bool dragging_ = false;
};

}  // namespace BkWin
