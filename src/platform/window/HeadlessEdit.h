#pragma once

#include <string>

#include "platform/window/NativeWindow.h"

namespace platform {

class HeadlessWindow;

// A text field with no toolkit behind it: tests type into it and read what the framework set.
// Made by HeadlessWindow::CreateEdit; it may outlive its window.
class HeadlessEdit : public NativeEdit {
public:
    HeadlessEdit(HeadlessWindow* window, const EditOptions& options);
    ~HeadlessEdit() override;
    HeadlessEdit(const HeadlessEdit&) = delete;
    HeadlessEdit& operator=(const HeadlessEdit&) = delete;

    void SetRect(const Rect& client_rect) override { rect_ = client_rect; }
    void SetVisible(bool visible) override { visible_ = visible; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    std::string Text() const override { return text_; }
    // Cut to max_chars like the toolkit's own field; on_change when the text changed.
    void SetText(const std::string& text) override;
    void Focus() override;

    // Test hooks.
    // Appends as a user typing would: what passes max_chars is dropped, never half a
    // character. False when the field takes no input (hidden or disabled).
    bool Type(const std::string& text);
    // on_activate in a single-line field, a line break in a multi-line one.
    bool PressEnter();
    const EditOptions& Options() const { return options_; }
    bool IsPassword() const { return options_.password; }
    const std::string& Hint() const { return options_.hint; }
    const Rect& GetRect() const { return rect_; }
    bool IsVisible() const { return visible_; }
    bool IsEnabled() const { return enabled_; }
    bool HasFocus() const { return focused_; }

private:
    friend class HeadlessWindow;
    void ReplaceText(std::string text);

    HeadlessWindow* window_;  // not owned; null once the window is gone
    EditOptions options_;
    std::string text_;
    Rect rect_;
    bool visible_ = true;
    bool enabled_ = true;
    bool focused_ = false;
};

}  // namespace platform
