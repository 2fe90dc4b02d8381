#pragma once

#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/Geometry.h"

namespace platform {

enum class MouseButton { kNone, kLeft, kMiddle, kRight };
enum class MouseAction { kMove, kPress, kRelease, kDoubleClick, kWheel, kLeave };

enum Modifier : unsigned { kModShift = 1, kModControl = 2, kModAlt = 4 };

struct MouseEvent {
    MouseAction action = MouseAction::kMove;
    MouseButton button = MouseButton::kNone;
    Point position;  // client coordinates
    // Wheel only: 120 per notch, positive when the wheel turns away from the user (up).
    int wheel_delta = 0;
    unsigned modifiers = 0;
};

struct KeyEvent {
    bool pressed = true;
    std::uint32_t keysym = 0;  // X keysym values, as GDK reports them
    unsigned modifiers = 0;
    std::string text;  // UTF-8 the key types, empty for keys that type nothing
};

// The framework's sizing-border hit codes; they keep the Windows numbers.
enum class HitCode : int {
    kLeft = 10,
    kRight = 11,
    kTop = 12,
    kTopLeft = 13,
    kTopRight = 14,
    kBottom = 15,
    kBottomLeft = 16,
    kBottomRight = 17,
};

enum class Cursor { kArrow, kHand, kText, kWait };
enum class WindowState { kNormal, kMinimized, kMaximized };

class NativeWindow;

struct WindowOptions {
    std::string title;
    Size size;
    Size min_size;
    // A popup has no frame and no task-bar entry; it is placed relative to its owner, which
    // is the only placement Wayland allows.
    bool popup = false;
    NativeWindow* owner = nullptr;  // not owned; also the parent of modal dialogs
    Point position_in_owner;        // popups, and top-levels shown centred when both are 0
    bool resizable = false;
    bool translucent = false;  // per-pixel alpha where a compositor runs
    // Decoration (shadows, tips): the pointer passes through to whatever lies below.
    bool input_transparent = false;
    bool in_task_bar = true;
};

struct EditOptions {
    bool multi_line = false;  // GtkTextView rather than GtkEntry
    bool password = false;
    int max_chars = 0;  // characters, not bytes; 0 = no limit
    std::string hint;
    std::string font_family;
    int font_pixels = 12;
};

// A native text field placed over a window: the one place where typed text, input methods
// and the clipboard are the toolkit's own.
class NativeEdit {
public:
    virtual ~NativeEdit() = default;

    std::function<void(const std::string& text)> on_change;
    std::function<void()> on_activate;  // Enter in a single-line field

    virtual void SetRect(const Rect& client_rect) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void Focus() = 0;
};

// One top-level or popup window. The framework draws the whole client area itself; the
// window asks for it through on_paint. UI thread only.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;  // destroys the window without asking on_close_request

    // `cr` targets the window; its clip is `dirty`. Draw all of `dirty`.
    std::function<void(cairo_t* cr, const Rect& dirty)> on_paint;
    std::function<void(Size client_size)> on_resize;
    std::function<void(const MouseEvent&)> on_mouse;
    std::function<void(const KeyEvent&)> on_key;
    std::function<void(const std::vector<std::filesystem::path>& files, Point at)> on_drop;
    std::function<bool()> on_close_request;  // false keeps the window open
    std::function<void(WindowState)> on_state_change;

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual Size ClientSize() const = 0;
    virtual void Resize(Size size) = 0;
    // Relative to the owner for popups; a request the window manager may ignore otherwise.
    virtual void Move(Point position) = 0;
    virtual void Invalidate(const Rect& rect) = 0;
    virtual void InvalidateAll() = 0;
    // Hands a drag that started with a press at `at` to the window manager.
    virtual void BeginMove(Point at) = 0;
    virtual void BeginResize(HitCode edge, Point at) = 0;
    virtual void Minimize() = 0;
    virtual void Maximize() = 0;
    virtual void Restore() = 0;
    virtual WindowState State() const = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // True when per-pixel alpha reaches the screen.
    virtual bool IsTranslucent() const = 0;
    virtual std::unique_ptr<NativeEdit> CreateEdit(const EditOptions& options) = 0;
};

}  // namespace platform
