#pragma once

#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/window/Geometry.h"
#include "platform/window/NativeWindow.h"
#include "platform/window/WindowSystem.h"

namespace BkWin {

// The tool-tip of a layout window: a small popup below the hovered control that shows the
// control's "tip" after a short hover and goes away by itself. A timer runs only while a tip
// is waiting to show or showing. UI thread only.
class BkToolTip {
public:
    static constexpr std::chrono::milliseconds kShowDelay{500};
    static constexpr std::chrono::milliseconds kShowFor{8000};
    // Leaving one tip for the gap between two controls and reaching the next tipped control
    // within this time shows the next tip at once, as when moving straight across.
    static constexpr std::chrono::milliseconds kSwitchGrace{300};
    static constexpr std::size_t kMaxChars = 80;  // the shown text, "…" included
    static constexpr int kGapBelowControl = 4;

    // `owner` must outlive the tool-tip.
    BkToolTip(platform::WindowSystem& system, platform::NativeWindow& owner);
    ~BkToolTip();
    BkToolTip(const BkToolTip&) = delete;
    BkToolTip& operator=(const BkToolTip&) = delete;

    // The hovered control changed; `control_rect` is in the owner's client coordinates. An
    // empty tip hides.
    void OnHover(const std::string& tip, const platform::Rect& control_rect);
    // A press or the mouse leaving the window.
    void Hide();

    bool IsShown() const { return state_ == State::kShown; }
    // The text shown or waiting to show, already shortened.
    const std::string& Text() const { return text_; }

    // `tip` on one line (line breaks and tabs become spaces), cut to kMaxChars characters
    // with "…" at the end when longer.
    static std::string DisplayText(std::string_view tip);

private:
    enum class State { kIdle, kPending, kShown };

    void Show();
    void HideAndForget();
    void EnsurePopup();
    platform::Size PopupSize() const;
    platform::Point PopupPosition(platform::Size size) const;
    void Paint(cairo_t* cr) const;
    void StartTimer(std::chrono::milliseconds delay, void (BkToolTip::*action)());
    void StopTimer();

    platform::WindowSystem& system_;
    platform::NativeWindow& owner_;
    std::unique_ptr<platform::NativeWindow> popup_;  // made on first show, then reused
    State state_ = State::kIdle;
    std::string text_;
    platform::Rect control_rect_;
    platform::TimerId timer_ = 0;  // the one timer, one-shot; 0 while none runs
    // The clock when a shown tip last went away because the hover moved off its control.
    std::optional<std::uint64_t> switched_off_at_ms_;
};

}  // namespace BkWin
