#pragma once
// What the GTK smoke tests share: bounded loop spinning, synthetic keys and synthetic drops.
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/gtk/GtkNativeWindow.h"
#include "platform/window/Geometry.h"

namespace platform {

// Every wait is bounded: a test that would hang fails instead.
constexpr guint kWaitLimitMs = 5000;

// Runs the GLib loop until `done` holds or the wait limit passes; false on the limit.
inline bool SpinUntil(const std::function<bool()>& done) {
    bool expired = false;
    const guint guard = g_timeout_add(
        kWaitLimitMs,
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired);
    while (!done() && !expired)
        g_main_context_iteration(nullptr, TRUE);
    if (!expired)
        g_source_remove(guard);
    return !expired;
}

// Runs what is ready now, without waiting for anything.
inline void SpinPending() {
    for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

inline void SendKey(GtkNativeWindow& window, guint keyval) {
    GdkWindow* target = gtk_widget_get_window(GTK_WIDGET(window.Toplevel()));
    GdkDisplay* display = gdk_window_get_display(target);
    for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(target));
        event->key.send_event = TRUE;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                              &count)) {
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
            event->key.group = static_cast<guint8>(keys[0].group);
            g_free(keys);
        }
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}

inline void TypeText(GtkNativeWindow& window, const std::string& text) {
    for (const char* at = text.c_str(); *at; at = g_utf8_next_char(at))
        SendKey(window, gdk_unicode_to_keyval(g_utf8_get_char(at)));
}

// Hands `uri_list` to the widget's drag-data-received as GTK would at `at`, with selection
// data made the way GTK makes it: from a selection this process owns. False when the data
// could not be made.
inline bool EmitUriListDrop(GtkWidget* widget, const std::string& uri_list, Point at) {
    GtkClipboard* selection = gtk_clipboard_get(gdk_atom_intern_static_string("QUIRE_TEST_DROP"));
    static char kTarget[] = "text/uri-list";
    static const GtkTargetEntry kTargets[] = {{kTarget, 0, 0}};
    if (!gtk_clipboard_set_with_data(
            selection, kTargets, 1,
            [](GtkClipboard*, GtkSelectionData* data, guint, gpointer text) {
                const auto* list = static_cast<const std::string*>(text);
                gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
                                       reinterpret_cast<const guchar*>(list->data()),
                                       static_cast<gint>(list->size()));
            },
            nullptr, const_cast<std::string*>(&uri_list)))
        return false;
    GtkSelectionData* data =
        gtk_clipboard_wait_for_contents(selection, gdk_atom_intern_static_string(kTarget));
    if (!data)
        return false;
    g_signal_emit_by_name(widget, "drag-data-received", nullptr, at.x, at.y, data, 0u, 0u);
    gtk_selection_data_free(data);
    gtk_clipboard_clear(selection);
    return true;
}

}  // namespace platform
