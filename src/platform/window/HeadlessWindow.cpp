#include "platform/window/HeadlessWindow.h"

#include <algorithm>

#include "platform/window/HeadlessEdit.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace platform {
namespace {

// Keeps a surface within what cairo accepts and what a test machine can hold.
constexpr int kMaxSide = 16384;

Size ClampSize(Size size, Size min_size) {
    return {std::clamp(std::max(size.width, min_size.width), 0, kMaxSide),
            std::clamp(std::max(size.height, min_size.height), 0, kMaxSide)};
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem* system, const WindowOptions& options)
    : system_(system),
      options_(options),
      size_(ClampSize(options.size, options.min_size)),
      position_(options.position_in_owner) {
    MakeSurface();
}

HeadlessWindow::~HeadlessWindow() {
    for (HeadlessEdit* edit : edits_)
        edit->window_ = nullptr;
    if (system_)
        system_->ForgetWindow(this);
}

void HeadlessWindow::Show() {
    visible_ = true;
    InvalidateAll();
}

void HeadlessWindow::Resize(Size size) {
    const Size clamped = ClampSize(size, options_.min_size);
    if (clamped == size_)
        return;
    size_ = clamped;
    MakeSurface();
    InvalidateAll();
    if (on_resize)
        on_resize(size_);
}

void HeadlessWindow::Invalidate(const Rect& rect) {
    dirty_ = dirty_.Union(rect.Intersect(Rect::At({}, size_)));
}

void HeadlessWindow::InvalidateAll() {
    dirty_ = Rect::At({}, size_);
}

std::unique_ptr<NativeEdit> HeadlessWindow::CreateEdit(const EditOptions& options) {
    auto edit = std::make_unique<HeadlessEdit>(this, options);
    edits_.push_back(edit.get());
    return edit;
}

bool HeadlessWindow::InjectMouse(const MouseEvent& event) {
    // The pointer passes through decoration, as it does on screen.
    if (!TakesInput() || options_.input_transparent)
        return false;
    if (on_mouse)
        on_mouse(event);
    return true;
}

bool HeadlessWindow::InjectKey(const KeyEvent& event) {
    if (!TakesInput())
        return false;
    if (on_key)
        on_key(event);
    return true;
}

bool HeadlessWindow::InjectDrop(const std::vector<std::filesystem::path>& files, Point at) {
    if (!TakesInput())
        return false;
    if (on_drop)
        on_drop(files, at);
    return true;
}

void HeadlessWindow::Hide() {
    visible_ = false;
    if (!system_)
        return;
    for (HeadlessWindow* window : system_->Windows()) {
        if (window->options_.popup && window->options_.owner == this && window->IsVisible())
            window->Hide();
    }
}

bool HeadlessWindow::RequestClose() {
    if (!TakesInput())
        return false;
    if (on_close_request && !on_close_request())
        return false;
    Hide();
    return true;
}

bool HeadlessWindow::SavePng(const std::filesystem::path& path) const {
    cairo_surface_flush(surface_.get());
    return cairo_surface_write_to_png(surface_.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

HeadlessEdit* HeadlessWindow::FocusedEdit() const {
    const auto found =
        std::find_if(edits_.begin(), edits_.end(), [](HeadlessEdit* e) { return e->focused_; });
    return found == edits_.end() ? nullptr : *found;
}

bool HeadlessWindow::TakesInput() const {
    return visible_ && !(system_ && system_->IsBlockedByModal(*this));
}

void HeadlessWindow::ChangeState(WindowState state) {
    if (state == state_)
        return;
    state_ = state;
    if (on_state_change)
        on_state_change(state_);
}

void HeadlessWindow::MakeSurface() {
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size_.width, size_.height));
}

bool HeadlessWindow::PaintDirty() {
    const Rect dirty = dirty_.Intersect(Rect::At({}, size_));
    if (!visible_ || dirty.IsEmpty())
        return false;
    // Cleared first: what on_paint invalidates belongs to the next paint.
    dirty_ = Rect{};
    if (!on_paint)
        return true;
    cairo_t* cr = cairo_create(surface_.get());
    cairo_rectangle(cr, dirty.left, dirty.top, dirty.Width(), dirty.Height());
    cairo_clip(cr);
    on_paint(cr, dirty);
    cairo_destroy(cr);
    cairo_surface_flush(surface_.get());
    return true;
}

void HeadlessWindow::FocusEdit(HeadlessEdit* edit) {
    for (HeadlessEdit* each : edits_)
        each->focused_ = each == edit;
}

void HeadlessWindow::ForgetEdit(HeadlessEdit* edit) {
    std::erase(edits_, edit);
}

}  // namespace platform
