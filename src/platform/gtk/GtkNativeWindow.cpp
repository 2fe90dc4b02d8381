#include "platform/gtk/GtkNativeWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include "platform/gtk/GtkNativeEdit.h"
#include "platform/gtk/UriList.h"
#include "platform/gtk/ValidUtf8.h"

namespace platform {
namespace {

constexpr int kWheelNotch = 120;
constexpr guint kMouseEvents = GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                               GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK |
                               GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK;
constexpr guint kButtonsHeld = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK;

char kUriListTarget[] = "text/uri-list";

unsigned ToModifiers(guint state) {
    unsigned modifiers = 0;
    if (state & GDK_SHIFT_MASK)
        modifiers |= kModShift;
    if (state & GDK_CONTROL_MASK)
        modifiers |= kModControl;
    if (state & GDK_MOD1_MASK)
        modifiers |= kModAlt;
    return modifiers;
}

MouseButton ToButton(guint button) {
    switch (button) {
        case GDK_BUTTON_PRIMARY:
            return MouseButton::kLeft;
        case GDK_BUTTON_MIDDLE:
            return MouseButton::kMiddle;
        case GDK_BUTTON_SECONDARY:
            return MouseButton::kRight;
        default:
            return MouseButton::kNone;
    }
}

Point ToPoint(double x, double y) {
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

std::optional<GdkWindowEdge> ToEdge(HitCode code) {
    switch (code) {
        case HitCode::kLeft:
            return GDK_WINDOW_EDGE_WEST;
        case HitCode::kRight:
            return GDK_WINDOW_EDGE_EAST;
        case HitCode::kTop:
            return GDK_WINDOW_EDGE_NORTH;
        case HitCode::kTopLeft:
            return GDK_WINDOW_EDGE_NORTH_WEST;
        case HitCode::kTopRight:
            return GDK_WINDOW_EDGE_NORTH_EAST;
        case HitCode::kBottom:
            return GDK_WINDOW_EDGE_SOUTH;
        case HitCode::kBottomLeft:
            return GDK_WINDOW_EDGE_SOUTH_WEST;
        case HitCode::kBottomRight:
            return GDK_WINDOW_EDGE_SOUTH_EAST;
    }
    return std::nullopt;
}

const char* CursorName(Cursor cursor) {
    switch (cursor) {
        case Cursor::kHand:
            return "pointer";
        case Cursor::kText:
            return "text";
        case Cursor::kWait:
            return "wait";
        case Cursor::kArrow:
            break;
    }
    return "default";
}

// The text a key types: nothing for control characters and for shortcuts.
std::string TypedText(const GdkEventKey& event) {
    if (event.type != GDK_KEY_PRESS || (event.state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)))
        return {};
    const gunichar code = gdk_keyval_to_unicode(event.keyval);
    if (code < 0x20 || code == 0x7F || !g_unichar_validate(code))
        return {};
    char utf8[8] = {};
    return std::string(utf8, static_cast<std::size_t>(g_unichar_to_utf8(code, utf8)));
}

Size AtLeastOnePixel(Size size) {
    return {std::max(size.width, 1), std::max(size.height, 1)};
}

}  // namespace

GtkNativeWindow::GtkNativeWindow(const WindowOptions& options)
    : popup_(options.popup),
      resizable_(options.resizable),
      centred_(!options.popup && options.position_in_owner == Point{}),
      min_size_(options.min_size),
      position_in_owner_(options.position_in_owner) {
    size_ = AtLeastOnePixel(resizable_ ? Size{std::max(options.size.width, min_size_.width),
                                              std::max(options.size.height, min_size_.height)}
                                       : options.size);
    BuildWidgets(options);
    ChooseVisual(options.translucent);
    ConnectSignals();
    if (auto* owner = dynamic_cast<GtkNativeWindow*>(options.owner); owner && popup_) {
        owner_ = owner;
        owner->popups_.push_back(this);
    }
}

GtkNativeWindow::~GtkNativeWindow() {
    for (GtkNativeWindow* popup : popups_)
        popup->owner_ = nullptr;
    if (owner_)
        std::erase(owner_->popups_, this);
    g_signal_handlers_disconnect_by_data(canvas_, this);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
}

void GtkNativeWindow::BuildWidgets(const WindowOptions& options) {
    window_ =
        GTK_WIDGET(g_object_ref(gtk_window_new(popup_ ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL)));
    GtkWindow* window = Toplevel();
    gtk_window_set_title(window, ValidUtf8(options.title).c_str());
    gtk_window_set_decorated(window, FALSE);
    // The framework paints every pixel; the theme's window background would only flicker.
    gtk_widget_set_app_paintable(window_, TRUE);
    const bool skip_task_bar = popup_ || !options.in_task_bar;
    gtk_window_set_skip_taskbar_hint(window, skip_task_bar);
    gtk_window_set_skip_pager_hint(window, skip_task_bar);
    if (popup_)
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_POPUP_MENU);
    if (auto* owner = dynamic_cast<GtkNativeWindow*>(options.owner))
        gtk_window_set_transient_for(window, owner->Toplevel());
    if (centred_)
        gtk_window_set_position(window,
                                options.owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(window, resizable_);
    gtk_window_set_default_size(window, size_.width, size_.height);
    if (options.input_transparent) {
        cairo_region_t* nothing = cairo_region_create();
        gtk_widget_input_shape_combine_region(window_, nothing);
        cairo_region_destroy(nothing);
    }

    GtkWidget* overlay = gtk_overlay_new();
    canvas_ = gtk_drawing_area_new();
    gtk_widget_set_can_focus(canvas_, TRUE);
    gtk_widget_add_events(canvas_, static_cast<gint>(kMouseEvents));
    SetCanvasRequest(resizable_ ? AtLeastOnePixel(min_size_) : size_);
    gtk_container_add(GTK_CONTAINER(overlay), canvas_);
    edit_layer_ = gtk_fixed_new();
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), edit_layer_);
    gtk_overlay_set_overlay_pass_through(GTK_OVERLAY(overlay), edit_layer_, TRUE);
    gtk_container_add(GTK_CONTAINER(window_), overlay);
    gtk_widget_show_all(overlay);
    gtk_window_set_focus(window, canvas_);

    static const GtkTargetEntry kDropTargets[] = {{kUriListTarget, 0, 0}};
    gtk_drag_dest_set(canvas_, GTK_DEST_DEFAULT_ALL, kDropTargets, 1, GDK_ACTION_COPY);
}

void GtkNativeWindow::ChooseVisual(bool translucent) {
    if (!translucent)
        return;
    GdkScreen* screen = gtk_widget_get_screen(window_);
    if (!gdk_screen_is_composited(screen))
        return;
    GdkVisual* visual = gdk_screen_get_rgba_visual(screen);
    if (!visual)
        return;
    gtk_widget_set_visual(window_, visual);
    translucent_ = true;
}

void GtkNativeWindow::ConnectSignals() {
    g_signal_connect(canvas_, "draw", G_CALLBACK(&GtkNativeWindow::OnDraw), this);
    g_signal_connect(canvas_, "size-allocate", G_CALLBACK(&GtkNativeWindow::OnSizeAllocate), this);
    g_signal_connect(canvas_, "realize", G_CALLBACK(&GtkNativeWindow::OnRealize), this);
    g_signal_connect(canvas_, "button-press-event", G_CALLBACK(&GtkNativeWindow::OnButton), this);
    g_signal_connect(canvas_, "button-release-event", G_CALLBACK(&GtkNativeWindow::OnButton), this);
    g_signal_connect(canvas_, "motion-notify-event", G_CALLBACK(&GtkNativeWindow::OnMotion), this);
    g_signal_connect(canvas_, "leave-notify-event", G_CALLBACK(&GtkNativeWindow::OnLeave), this);
    g_signal_connect(canvas_, "scroll-event", G_CALLBACK(&GtkNativeWindow::OnScroll), this);
    g_signal_connect(canvas_, "key-press-event", G_CALLBACK(&GtkNativeWindow::OnKey), this);
    g_signal_connect(canvas_, "key-release-event", G_CALLBACK(&GtkNativeWindow::OnKey), this);
    g_signal_connect(canvas_, "drag-data-received",
                     G_CALLBACK(&GtkNativeWindow::OnDragDataReceived), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkNativeWindow::OnDelete), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(&GtkNativeWindow::OnConfigure), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(&GtkNativeWindow::OnWindowState),
                     this);
}

void GtkNativeWindow::SetCanvasRequest(Size size) {
    gtk_widget_set_size_request(canvas_, size.width, size.height);
}

void GtkNativeWindow::Show() {
    if (!centred_)
        PlaceRelativeToOwner();
    if (popup_)
        gtk_widget_show(window_);
    else
        gtk_window_present(Toplevel());
}

void GtkNativeWindow::Hide() {
    // A popup would otherwise stay on screen without the window it belongs to.
    for (GtkNativeWindow* popup : popups_)
        popup->Hide();
    gtk_widget_hide(window_);
}

bool GtkNativeWindow::IsVisible() const {
    return gtk_widget_get_visible(window_);
}

void GtkNativeWindow::SetTitle(const std::string& title) {
    gtk_window_set_title(Toplevel(), ValidUtf8(title).c_str());
}

// Reports the new size at once, as the framework lays out right after asking; the allocation
// that follows reports again only when the window manager settled on another size.
void GtkNativeWindow::Resize(Size size) {
    const Size wanted = AtLeastOnePixel(resizable_ ? Size{std::max(size.width, min_size_.width),
                                                          std::max(size.height, min_size_.height)}
                                                   : size);
    if (wanted == size_)
        return;
    size_ = wanted;
    if (!resizable_)
        SetCanvasRequest(size_);
    gtk_window_resize(Toplevel(), size_.width, size_.height);
    if (on_resize)
        on_resize(size_);
}

void GtkNativeWindow::Move(Point position) {
    position_in_owner_ = position;
    centred_ = false;
    PlaceRelativeToOwner();
}

// Popups and explicitly placed windows sit at position_in_owner_ from the owner's client
// origin (the screen's origin without an owner).
void GtkNativeWindow::PlaceRelativeToOwner() {
    GtkWindow* owner = gtk_window_get_transient_for(Toplevel());
#ifdef GDK_WINDOWING_WAYLAND
    // Wayland has no global coordinates: a popup is placed by the compositor relative to its
    // parent, and a top-level goes where the compositor puts it.
    if (GDK_IS_WAYLAND_DISPLAY(gtk_widget_get_display(window_))) {
        if (!popup_ || !owner)
            return;
        const bool shown = gtk_widget_get_visible(window_);
        if (shown)
            gtk_widget_hide(window_);
        gtk_widget_realize(window_);
        const GdkRectangle anchor{position_in_owner_.x, position_in_owner_.y, 1, 1};
        gdk_window_move_to_rect(gtk_widget_get_window(window_), &anchor, GDK_GRAVITY_NORTH_WEST,
                                GDK_GRAVITY_NORTH_WEST, GDK_ANCHOR_SLIDE, 0, 0);
        if (shown)
            gtk_widget_show(window_);
        return;
    }
#endif
    int x = 0;
    int y = 0;
    if (owner) {
        if (GdkWindow* owner_window = gtk_widget_get_window(GTK_WIDGET(owner)))
            gdk_window_get_origin(owner_window, &x, &y);
        else
            gtk_window_get_position(owner, &x, &y);
    }
    gtk_window_move(Toplevel(), x + position_in_owner_.x, y + position_in_owner_.y);
}

void GtkNativeWindow::Invalidate(const Rect& rect) {
    const Rect dirty = rect.Intersect(Rect::At({}, size_));
    if (!dirty.IsEmpty())
        gtk_widget_queue_draw_area(canvas_, dirty.left, dirty.top, dirty.Width(), dirty.Height());
}

void GtkNativeWindow::InvalidateAll() {
    gtk_widget_queue_draw(canvas_);
}

bool GtkNativeWindow::RootPosition(Point client, int* root_x, int* root_y) const {
    GdkWindow* window = gtk_widget_get_window(canvas_);
    if (!window)
        return false;
    gdk_window_get_root_coords(window, client.x, client.y, root_x, root_y);
    return true;
}

void GtkNativeWindow::BeginMove(Point at) {
    int x = 0;
    int y = 0;
    if (!RootPosition(at, &x, &y))
        return;
    const gint button =
        last_press_.button ? static_cast<gint>(last_press_.button) : GDK_BUTTON_PRIMARY;
    gtk_window_begin_move_drag(Toplevel(), button, x, y, last_press_.time);
}

void GtkNativeWindow::BeginResize(HitCode edge, Point at) {
    const std::optional<GdkWindowEdge> gdk_edge = ToEdge(edge);
    int x = 0;
    int y = 0;
    if (!gdk_edge || !RootPosition(at, &x, &y))
        return;
    const gint button =
        last_press_.button ? static_cast<gint>(last_press_.button) : GDK_BUTTON_PRIMARY;
    gtk_window_begin_resize_drag(Toplevel(), *gdk_edge, button, x, y, last_press_.time);
}

void GtkNativeWindow::Minimize() {
    gtk_window_iconify(Toplevel());
}

void GtkNativeWindow::Maximize() {
    gtk_window_maximize(Toplevel());
}

void GtkNativeWindow::Restore() {
    if (state_ == WindowState::kMinimized) {
        gtk_window_deiconify(Toplevel());
        gtk_window_present(Toplevel());
    } else if (state_ == WindowState::kMaximized) {
        gtk_window_unmaximize(Toplevel());
    }
}

void GtkNativeWindow::SetCursor(Cursor cursor) {
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    ApplyCursor();
}

void GtkNativeWindow::ApplyCursor() {
    GdkWindow* window = gtk_widget_get_window(canvas_);
    if (!window)
        return;
    GdkCursor* cursor =
        gdk_cursor_new_from_name(gdk_window_get_display(window), CursorName(cursor_));
    gdk_window_set_cursor(window, cursor);  // null, for a theme without it, is the default
    if (cursor)
        g_object_unref(cursor);
}

std::unique_ptr<NativeEdit> GtkNativeWindow::CreateEdit(const EditOptions& options) {
    return std::make_unique<GtkNativeEdit>(GTK_FIXED(edit_layer_), options);
}

void GtkNativeWindow::DeliverUriList(std::string_view uri_list, Point at) {
    const std::vector<std::filesystem::path> files = LocalPathsFromUriList(uri_list);
    if (!files.empty() && on_drop)
        on_drop(files, at);
}

bool GtkNativeWindow::IsDoubleClick(const GdkEventButton& event) const {
    if (last_click_.button != event.button || last_click_.time == 0)
        return false;
    gint max_time = 0;
    gint max_distance = 0;
    g_object_get(gtk_widget_get_settings(canvas_), "gtk-double-click-time", &max_time,
                 "gtk-double-click-distance", &max_distance, nullptr);
    const Point at = ToPoint(event.x, event.y);
    return event.time - last_click_.time <= static_cast<guint32>(max_time) &&
           std::abs(at.x - last_click_.position.x) <= max_distance &&
           std::abs(at.y - last_click_.position.y) <= max_distance;
}

gboolean GtkNativeWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip))
        return TRUE;
    if (window->translucent_) {
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    if (window->on_paint)
        window->on_paint(cr, Rect{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height});
    return TRUE;
}

void GtkNativeWindow::OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    const Size size{allocation->width, allocation->height};
    if (size == window->size_)
        return;
    window->size_ = size;
    if (window->on_resize)
        window->on_resize(size);
}

void GtkNativeWindow::OnRealize(GtkWidget*, gpointer self) {
    static_cast<GtkNativeWindow*>(self)->ApplyCursor();
}

gboolean GtkNativeWindow::OnButton(GtkWidget* widget, GdkEventButton* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    // GDK's own double-click events follow a second plain press; our detection replaces it.
    if (event->type == GDK_2BUTTON_PRESS || event->type == GDK_3BUTTON_PRESS)
        return TRUE;
    MouseEvent mouse;
    mouse.button = ToButton(event->button);
    if (mouse.button == MouseButton::kNone)
        return FALSE;
    mouse.position = ToPoint(event->x, event->y);
    mouse.modifiers = ToModifiers(event->state);
    if (event->type == GDK_BUTTON_PRESS) {
        // Clicking the drawing area takes the focus from a native edit, as a click beside it
        // would anywhere else.
        gtk_widget_grab_focus(widget);
        const bool double_click = window->IsDoubleClick(*event);
        window->last_press_ = {event->button, event->time, mouse.position};
        window->last_click_ = double_click ? LastPress{} : window->last_press_;
        mouse.action = double_click ? MouseAction::kDoubleClick : MouseAction::kPress;
    } else {
        mouse.action = MouseAction::kRelease;
    }
    const std::weak_ptr<bool> alive = window->alive_;
    if (window->on_mouse)
        window->on_mouse(mouse);
    // The leave held back while the button was down (see OnLeave) comes after the release.
    const bool outside = !Rect::At({}, window->size_).Contains(mouse.position);
    if (mouse.action == MouseAction::kRelease && outside && !alive.expired() && window->on_mouse)
        window->on_mouse(MouseEvent{MouseAction::kLeave, MouseButton::kNone, mouse.position, 0,
                                    mouse.modifiers});
    return TRUE;
}

gboolean GtkNativeWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    if (window->on_mouse)
        window->on_mouse(MouseEvent{MouseAction::kMove, MouseButton::kNone,
                                    ToPoint(event->x, event->y), 0, ToModifiers(event->state)});
    return TRUE;
}

// While a button is down the window keeps the mouse, as a captured window does, so the pressed
// control keeps its state when the pointer leaves.
gboolean GtkNativeWindow::OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    if (event->detail == GDK_NOTIFY_INFERIOR || (event->state & kButtonsHeld))
        return FALSE;
    if (window->on_mouse)
        window->on_mouse(MouseEvent{MouseAction::kLeave, MouseButton::kNone,
                                    ToPoint(event->x, event->y), 0, ToModifiers(event->state)});
    return FALSE;
}

gboolean GtkNativeWindow::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    int delta = 0;
    switch (event->direction) {
        case GDK_SCROLL_UP:
            delta = kWheelNotch;
            break;
        case GDK_SCROLL_DOWN:
            delta = -kWheelNotch;
            break;
        case GDK_SCROLL_SMOOTH: {
            // Touchpads scroll in fractions of a notch: the rest carries over to the next event.
            window->smooth_scroll_rest_ -= event->delta_y * kWheelNotch;
            delta = static_cast<int>(window->smooth_scroll_rest_);
            window->smooth_scroll_rest_ -= delta;
            break;
        }
        default:
            return FALSE;
    }
    if (delta != 0 && window->on_mouse)
        window->on_mouse(MouseEvent{MouseAction::kWheel, MouseButton::kNone,
                                    ToPoint(event->x, event->y), delta, ToModifiers(event->state)});
    return TRUE;
}

gboolean GtkNativeWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    if (!window->on_key)
        return FALSE;
    window->on_key(KeyEvent{event->type == GDK_KEY_PRESS, event->keyval, ToModifiers(event->state),
                            TypedText(*event)});
    return TRUE;
}

// Closing only hides: the window object belongs to the framework, which destroys it.
gboolean GtkNativeWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    const std::weak_ptr<bool> alive = window->alive_;
    const bool close = !window->on_close_request || window->on_close_request();
    if (close && !alive.expired())
        window->Hide();
    return TRUE;
}

gboolean GtkNativeWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
    auto* window = static_cast<GtkNativeWindow*>(self);
    const GdkWindowState flags = event->new_window_state;
    const WindowState state = (flags & GDK_WINDOW_STATE_ICONIFIED)   ? WindowState::kMinimized
                              : (flags & GDK_WINDOW_STATE_MAXIMIZED) ? WindowState::kMaximized
                                                                     : WindowState::kNormal;
    if (state == window->state_)
        return FALSE;
    window->state_ = state;
    if (window->on_state_change)
        window->on_state_change(state);
    return FALSE;
}

void GtkNativeWindow::OnDragDataReceived(GtkWidget*, GdkDragContext*, gint x, gint y,
                                         GtkSelectionData* data, guint, guint, gpointer self) {
    const guchar* bytes = gtk_selection_data_get_data(data);
    const gint length = gtk_selection_data_get_length(data);
    if (!bytes || length <= 0 || gtk_selection_data_get_format(data) != 8)
        return;
    static_cast<GtkNativeWindow*>(self)->DeliverUriList(
        std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length)),
        Point{x, y});
}

gboolean GtkNativeWindow::OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer self) {
    // Shadows and tips sit at a place relative to this window; after a drag they go with it.
    for (GtkNativeWindow* popup : static_cast<GtkNativeWindow*>(self)->popups_)
        popup->PlaceRelativeToOwner();
    return FALSE;
}

}  // namespace platform
