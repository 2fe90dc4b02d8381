#pragma once

#include <cairo.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/NativeWindow.h"

namespace platform {

class HeadlessEdit;
class HeadlessWindowSystem;

// A window that is only an ARGB32 image surface of its client size. Made by
// HeadlessWindowSystem; it may outlive the system. UI thread only.
class HeadlessWindow : public NativeWindow {
public:
    struct ResizeRequest {
        HitCode edge = HitCode::kBottomRight;
        Point at;
    };

    HeadlessWindow(HeadlessWindowSystem* system, const WindowOptions& options);
    ~HeadlessWindow() override;
    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    // Showing a window dirties all of it, as mapping a real one does.
    void Show() override;
    // Popups it owns go with it, as they do on screen.
    void Hide() override;
    bool IsVisible() const override { return visible_; }
    void SetTitle(const std::string& title) override { options_.title = title; }
    Size ClientSize() const override { return size_; }
    // Never below min_size; a new size gives a blank surface, on_resize and a full repaint.
    void Resize(Size size) override;
    void Move(Point position) override { position_ = position; }
    void Invalidate(const Rect& rect) override;
    void InvalidateAll() override;
    void BeginMove(Point at) override { last_move_request_ = at; }
    void BeginResize(HitCode edge, Point at) override { last_resize_request_ = {edge, at}; }
    void Minimize() override { ChangeState(WindowState::kMinimized); }
    void Maximize() override { ChangeState(WindowState::kMaximized); }
    void Restore() override { ChangeState(WindowState::kNormal); }
    WindowState State() const override { return state_; }
    void SetCursor(Cursor cursor) override { cursor_ = cursor; }
    // An image surface keeps its alpha, so a translucent window is always honoured.
    bool IsTranslucent() const override { return options_.translucent; }
    std::unique_ptr<NativeEdit> CreateEdit(const EditOptions& options) override;

    // Test hooks. The Inject calls return false when the window takes no input: hidden, or
    // the owner of a running modal dialog.
    bool InjectMouse(const MouseEvent& event);
    bool InjectKey(const KeyEvent& event);
    bool InjectDrop(const std::vector<std::filesystem::path>& files, Point at);
    // The close button: asks on_close_request (no handler means yes) and hides on yes.
    // True when the window closed.
    bool RequestClose();
    bool SavePng(const std::filesystem::path& path) const;

    cairo_surface_t* Surface() const { return surface_.get(); }
    const WindowOptions& Options() const { return options_; }
    const std::string& Title() const { return options_.title; }
    // Where Move put the window; for popups the offset from the owner.
    Point Position() const { return position_; }
    Rect DirtyRect() const { return dirty_; }
    Cursor CurrentCursor() const { return cursor_; }
    std::optional<Point> LastMoveRequest() const { return last_move_request_; }
    std::optional<ResizeRequest> LastResizeRequest() const { return last_resize_request_; }
    // The live edits of this window, oldest first.
    const std::vector<HeadlessEdit*>& Edits() const { return edits_; }
    HeadlessEdit* FocusedEdit() const;

private:
    friend class HeadlessEdit;
    friend class HeadlessWindowSystem;

    struct SurfaceDeleter {
        void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    };

    bool TakesInput() const;
    void ChangeState(WindowState state);
    void MakeSurface();
    // Paints the dirty part of a visible window; false when there was nothing to paint.
    bool PaintDirty();
    void FocusEdit(HeadlessEdit* edit);
    void ForgetEdit(HeadlessEdit* edit);

    HeadlessWindowSystem* system_;  // not owned; null once the system is gone
    WindowOptions options_;
    Size size_;
    Point position_;
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface_;
    Rect dirty_;
    bool visible_ = false;
    WindowState state_ = WindowState::kNormal;
    Cursor cursor_ = Cursor::kArrow;
    std::optional<Point> last_move_request_;
    std::optional<ResizeRequest> last_resize_request_;
    std::vector<HeadlessEdit*> edits_;  // not owned; each edit removes itself
};

}  // namespace platform
