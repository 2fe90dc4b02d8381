#include "bkwin/BkToolTip.h"

#include <algorithm>

#include "bkwin/BkDpi.h"
#include "bkwin/BkFontPool.h"
#include "bkwin/BkText.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

constexpr Colour kBackground{0xFB, 0xFB, 0xF4};
constexpr Colour kBorder{0xA0, 0xA0, 0xA0};
constexpr Colour kTextColour{0x33, 0x33, 0x33};
constexpr double kCornerRadius = 3.0;
constexpr int kBorderWidth = 1;
constexpr unsigned kTextMode = kTextSingleLine | kTextVCenter;
constexpr std::string_view kEllipsis = "…";

const BkFont& TipFont() {
    return BkFontPool::GetFont(0, true);
}

int PaddingX() {
    return BkDpi::Scale(6);
}

int PaddingY() {
    return BkDpi::Scale(3);
}

void SetSource(cairo_t* cr, Colour colour) {
    cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
}

// The outline through pixel centres, so that a one-pixel stroke stays sharp.
void TraceRoundRect(cairo_t* cr, platform::Size size) {
    const double left = 0.5;
    const double top = 0.5;
    const double right = size.width - 0.5;
    const double bottom = size.height - 0.5;
    const double r = std::min({kCornerRadius, (right - left) / 2, (bottom - top) / 2});
    constexpr double kQuarter = 1.5707963267948966;
    cairo_new_sub_path(cr);
    cairo_arc(cr, right - r, top + r, r, -kQuarter, 0);
    cairo_arc(cr, right - r, bottom - r, r, 0, kQuarter);
    cairo_arc(cr, left + r, bottom - r, r, kQuarter, 2 * kQuarter);
    cairo_arc(cr, left + r, top + r, r, 2 * kQuarter, 3 * kQuarter);
    cairo_close_path(cr);
}

}  // namespace

BkToolTip::BkToolTip(platform::WindowSystem& system, platform::NativeWindow& owner)
    : system_(system), owner_(owner) {}

BkToolTip::~BkToolTip() {
    StopTimer();
}

std::string BkToolTip::DisplayText(std::string_view tip) {
    std::string text(tip);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    if (platform::CountChars(text) <= kMaxChars)
        return text;
    std::string cut(platform::TruncateChars(text, kMaxChars - 1));
    cut += kEllipsis;
    return cut;
}

void BkToolTip::OnHover(const std::string& tip, const platform::Rect& control_rect) {
    if (tip.empty()) {
        const bool was_shown = state_ == State::kShown;
        HideAndForget();
        if (was_shown)
            switched_off_at_ms_ = system_.NowMs();
        return;
    }
    std::string text = DisplayText(tip);
    if (state_ != State::kIdle && text == text_ && control_rect == control_rect_)
        return;
    const bool at_once =
        state_ == State::kShown ||
        (switched_off_at_ms_ &&
         system_.NowMs() - *switched_off_at_ms_ < static_cast<std::uint64_t>(kSwitchGrace.count()));
    switched_off_at_ms_.reset();
    text_ = std::move(text);
    control_rect_ = control_rect;
    if (at_once) {
        Show();
        return;
    }
    state_ = State::kPending;
    StartTimer(kShowDelay, &BkToolTip::Show);
}

void BkToolTip::Hide() {
    HideAndForget();
    switched_off_at_ms_.reset();
}

void BkToolTip::HideAndForget() {
    StopTimer();
    if (popup_)
        popup_->Hide();
    state_ = State::kIdle;
    text_.clear();
}

void BkToolTip::Show() {
    EnsurePopup();
    const platform::Size size = PopupSize();
    popup_->Resize(size);
    popup_->Move(PopupPosition(size));
    popup_->InvalidateAll();
    popup_->Show();
    state_ = State::kShown;
    StartTimer(kShowFor, &BkToolTip::Hide);
}

void BkToolTip::EnsurePopup() {
    if (popup_)
        return;
    platform::WindowOptions options;
    options.popup = true;
    options.owner = &owner_;
    options.in_task_bar = false;
    options.input_transparent = true;
    // The rounded corners are see-through where a compositor runs.
    options.translucent = true;
    options.size = PopupSize();
    options.position_in_owner = PopupPosition(options.size);
    popup_ = system_.CreateWindow(options);
    popup_->on_paint = [this](cairo_t* cr, const platform::Rect&) { Paint(cr); };
}

platform::Size BkToolTip::PopupSize() const {
    const platform::Size text = BkText::Measure(text_, TipFont(), kTextMode);
    return {text.width + 2 * (PaddingX() + kBorderWidth),
            text.height + 2 * (PaddingY() + kBorderWidth)};
}

platform::Point BkToolTip::PopupPosition(platform::Size size) const {
    // Pulled left to stay inside the owner; a tip wider than the owner starts at its left.
    const int rightmost = std::max(0, owner_.ClientSize().width - size.width);
    return {std::clamp(control_rect_.left, 0, rightmost), control_rect_.bottom + kGapBelowControl};
}

void BkToolTip::Paint(cairo_t* cr) const {
    const platform::Size size = popup_->ClientSize();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (popup_->IsTranslucent())
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    else
        SetSource(cr, kBackground);
    cairo_paint(cr);
    cairo_restore(cr);

    TraceRoundRect(cr, size);
    SetSource(cr, kBackground);
    cairo_fill_preserve(cr);
    SetSource(cr, kBorder);
    cairo_set_line_width(cr, kBorderWidth);
    cairo_stroke(cr);

    const int inset = kBorderWidth + PaddingX();
    const platform::Rect text_rect{inset, kBorderWidth, size.width - inset,
                                   size.height - kBorderWidth};
    BkText::Draw(cr, text_, text_rect, TipFont(), kTextColour, kTextMode);
}

void BkToolTip::StartTimer(std::chrono::milliseconds delay, void (BkToolTip::*action)()) {
    StopTimer();
    timer_ = system_.StartTimer(delay, [this, action] {
        // One shot: the system's timers repeat until stopped.
        StopTimer();
        (this->*action)();
    });
}

void BkToolTip::StopTimer() {
    if (timer_ == 0)
        return;
    system_.StopTimer(timer_);
    timer_ = 0;
}

}  // namespace BkWin
