#pragma once

#include <gtk/gtk.h>

#include <string>

#include "platform/window/NativeWindow.h"

namespace platform {

// A GtkEntry, or a GtkTextView in a GtkScrolledWindow for multi-line text, placed in the
// window's edit layer over the drawing area. It keeps its own reference to the widget, so it
// may outlive its window; it then does nothing visible.
class GtkNativeEdit final : public NativeEdit {
public:
    GtkNativeEdit(GtkFixed* layer, const EditOptions& options);
    ~GtkNativeEdit() override;
    GtkNativeEdit(const GtkNativeEdit&) = delete;
    GtkNativeEdit& operator=(const GtkNativeEdit&) = delete;

    void SetRect(const Rect& client_rect) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    std::string Text() const override;
    void SetText(const std::string& text) override;
    void Focus() override;

    // The widget that takes the keys: the entry or the text view.
    GtkWidget* InputWidget() const { return input_; }

private:
    void CreateEntry();
    void CreateTextView();
    void ApplyFont();

    static void OnChanged(gpointer self);
    static void OnActivate(GtkEntry* entry, gpointer self);
    static void OnInsertText(GtkTextBuffer* buffer, GtkTextIter* at, gchar* text, gint length,
                             gpointer self);

    EditOptions options_;
    // Each holds a reference of its own, so that all three stay valid after the window is gone.
    GtkWidget* outer_ = nullptr;       // what is placed in the layer
    GtkWidget* input_ = nullptr;       // the entry, or the text view inside outer_
    GtkTextBuffer* buffer_ = nullptr;  // the text view's text; null for an entry
};

}  // namespace platform
