#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/window/NativeWindow.h"

namespace platform {

// An undecorated GtkWindow (the framework draws its own title bar) holding an overlay: a
// GtkDrawingArea fills the client and takes drawing, mouse, keys and drops; above it a
// GtkFixed, transparent to input, holds the native edits.
class GtkNativeWindow final : public NativeWindow {
public:
    explicit GtkNativeWindow(const WindowOptions& options);
    ~GtkNativeWindow() override;
    GtkNativeWindow(const GtkNativeWindow&) = delete;
    GtkNativeWindow& operator=(const GtkNativeWindow&) = delete;

    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void SetTitle(const std::string& title) override;
    Size ClientSize() const override { return size_; }
    void Resize(Size size) override;
    void Move(Point position) override;
    void Invalidate(const Rect& rect) override;
    void InvalidateAll() override;
    void BeginMove(Point at) override;
    void BeginResize(HitCode edge, Point at) override;
    void Minimize() override;
    void Maximize() override;
    void Restore() override;
    WindowState State() const override { return state_; }
    void SetCursor(Cursor cursor) override;
    bool IsTranslucent() const override { return translucent_; }
    std::unique_ptr<NativeEdit> CreateEdit(const EditOptions& options) override;

    GtkWindow* Toplevel() const { return GTK_WINDOW(window_); }
    // The drawing area: the widget that paints and takes mouse, key and drop events.
    GtkWidget* Canvas() const { return canvas_; }
    // Where a dropped "text/uri-list" arrives; the local files in it go to on_drop.
    void DeliverUriList(std::string_view uri_list, Point at);

private:
    // The press a window-manager drag continues.
    struct LastPress {
        unsigned button = 0;
        std::uint32_t time = 0;
        Point position;
    };

    void BuildWidgets(const WindowOptions& options);
    void ChooseVisual(bool translucent);
    void ConnectSignals();
    void PlaceRelativeToOwner();
    void ApplyCursor();
    bool RootPosition(Point client, int* root_x, int* root_y) const;
    bool IsDoubleClick(const GdkEventButton& event) const;
    void SetCanvasRequest(Size size);

    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static void OnSizeAllocate(GtkWidget* widget, GdkRectangle* allocation, gpointer self);
    static void OnRealize(GtkWidget* widget, gpointer self);
    static gboolean OnButton(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean OnLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
    static gboolean OnScroll(GtkWidget* widget, GdkEventScroll* event, gpointer self);
    static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
    static gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer self);
    static void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint x, gint y,
                                   GtkSelectionData* data, guint info, guint time, gpointer self);

    GtkWidget* window_ = nullptr;      // owned: destroyed with this object
    GtkWidget* canvas_ = nullptr;      // child of window_
    GtkWidget* edit_layer_ = nullptr;  // child of window_
    bool popup_ = false;
    bool resizable_ = false;
    bool centred_ = false;
    Size min_size_;
    Point position_in_owner_;
    // Owner-relative popups follow their owner when it moves: each registers with its owner,
    // and an owner that goes first unlinks them. UI thread only, like everything here.
    GtkNativeWindow* owner_ = nullptr;
    std::vector<GtkNativeWindow*> popups_;
    Size size_;
    WindowState state_ = WindowState::kNormal;
    bool translucent_ = false;
    Cursor cursor_ = Cursor::kArrow;
    LastPress last_press_;
    // Detecting double clicks ourselves lets the second press arrive as a double click alone,
    // without a plain press before it.
    LastPress last_click_;
    double smooth_scroll_rest_ = 0;  // the part of a smooth scroll below one wheel unit
    // Callbacks may destroy this window; handlers check this before touching members after one.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
