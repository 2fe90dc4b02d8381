#include "platform/window/HeadlessEdit.h"

#include "platform/Text.h"
#include "platform/window/HeadlessWindow.h"

namespace platform {

HeadlessEdit::HeadlessEdit(HeadlessWindow* window, const EditOptions& options)
    : window_(window), options_(options) {}

HeadlessEdit::~HeadlessEdit() {
    if (window_)
        window_->ForgetEdit(this);
}

void HeadlessEdit::SetText(const std::string& text) {
    if (options_.max_chars <= 0) {
        ReplaceText(text);
        return;
    }
    ReplaceText(std::string(TruncateChars(text, static_cast<std::size_t>(options_.max_chars))));
}

void HeadlessEdit::Focus() {
    if (window_)
        window_->FocusEdit(this);
    else
        focused_ = true;
}

bool HeadlessEdit::Type(const std::string& text) {
    if (!visible_ || !enabled_)
        return false;
    if (options_.max_chars <= 0) {
        ReplaceText(text_ + text);
        return true;
    }
    const std::size_t limit = static_cast<std::size_t>(options_.max_chars);
    const std::size_t used = CountChars(text_);
    if (used >= limit)
        return true;
    ReplaceText(text_ + std::string(TruncateChars(text, limit - used)));
    return true;
}

bool HeadlessEdit::PressEnter() {
    if (!visible_ || !enabled_)
        return false;
    if (options_.multi_line)
        return Type("\n");
    if (on_activate)
        on_activate();
    return true;
}

void HeadlessEdit::ReplaceText(std::string text) {
    if (text == text_)
        return;
    text_ = std::move(text);
    if (on_change)
        on_change(text_);
}

}  // namespace platform
