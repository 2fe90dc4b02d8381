#include "platform/gtk/GtkNativeEdit.h"

#include <algorithm>
#include <memory>

#include "platform/Text.h"
#include "platform/gtk/ValidUtf8.h"

namespace platform {
namespace {

constexpr int kMinFontPixels = 1;
constexpr int kMaxFontPixels = 200;

// The family name comes from a layout: escape it as a CSS string so that it cannot end the
// rule early.
std::string CssString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FontCss(const EditOptions& options) {
    std::string css =
        "* { font-size: " +
        std::to_string(std::clamp(options.font_pixels, kMinFontPixels, kMaxFontPixels)) + "px;";
    if (!options.font_family.empty())
        css += " font-family: " + CssString(options.font_family) + ";";
    return css + " }";
}

}  // namespace

GtkNativeEdit::GtkNativeEdit(GtkFixed* layer, const EditOptions& options) : options_(options) {
    if (options_.multi_line)
        CreateTextView();
    else
        CreateEntry();
    g_object_ref_sink(outer_);
    g_object_ref(input_);
    ApplyFont();
    gtk_fixed_put(layer, outer_, 0, 0);
    gtk_widget_show_all(outer_);
}

GtkNativeEdit::~GtkNativeEdit() {
    g_signal_handlers_disconnect_by_data(input_, this);
    if (buffer_) {
        g_signal_handlers_disconnect_by_data(buffer_, this);
        g_object_unref(buffer_);
    }
    gtk_widget_destroy(outer_);
    g_object_unref(input_);
    g_object_unref(outer_);
}

void GtkNativeEdit::CreateEntry() {
    outer_ = input_ = gtk_entry_new();
    GtkEntry* entry = GTK_ENTRY(input_);
    // The framework draws the field's frame; the entry only shows the text.
    gtk_entry_set_has_frame(entry, FALSE);
    gtk_entry_set_width_chars(entry, 1);
    if (options_.password) {
        gtk_entry_set_visibility(entry, FALSE);
        gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_PASSWORD);
    }
    if (options_.max_chars > 0)
        gtk_entry_set_max_length(entry, options_.max_chars);
    if (!options_.hint.empty())
        gtk_entry_set_placeholder_text(entry, ValidUtf8(options_.hint).c_str());
    g_signal_connect_swapped(entry, "changed", G_CALLBACK(&GtkNativeEdit::OnChanged), this);
    g_signal_connect(entry, "activate", G_CALLBACK(&GtkNativeEdit::OnActivate), this);
}

void GtkNativeEdit::CreateTextView() {
    outer_ = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(outer_), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    input_ = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(input_), GTK_WRAP_WORD_CHAR);
    gtk_container_add(GTK_CONTAINER(outer_), input_);
    buffer_ = GTK_TEXT_BUFFER(g_object_ref(gtk_text_view_get_buffer(GTK_TEXT_VIEW(input_))));
    g_signal_connect_swapped(buffer_, "changed", G_CALLBACK(&GtkNativeEdit::OnChanged), this);
    g_signal_connect(buffer_, "insert-text", G_CALLBACK(&GtkNativeEdit::OnInsertText), this);
}

void GtkNativeEdit::ApplyFont() {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, FontCss(options_).c_str(), -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(input_),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

void GtkNativeEdit::SetRect(const Rect& client_rect) {
    GtkWidget* layer = gtk_widget_get_parent(outer_);
    if (!layer)
        return;
    gtk_fixed_move(GTK_FIXED(layer), outer_, client_rect.left, client_rect.top);
    gtk_widget_set_size_request(outer_, std::max(client_rect.Width(), 1),
                                std::max(client_rect.Height(), 1));
}

void GtkNativeEdit::SetVisible(bool visible) {
    gtk_widget_set_visible(outer_, visible);
}

void GtkNativeEdit::SetEnabled(bool enabled) {
    gtk_widget_set_sensitive(outer_, enabled);
}

std::string GtkNativeEdit::Text() const {
    if (!buffer_)
        return gtk_entry_get_text(GTK_ENTRY(input_));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(buffer_, &start, &end);
    std::unique_ptr<gchar, decltype(&g_free)> text(
        gtk_text_buffer_get_text(buffer_, &start, &end, FALSE), &g_free);
    return text ? text.get() : "";
}

// Setting the same text reports no change, and a new text is one change, although the text
// buffer replaces its text in two steps.
void GtkNativeEdit::SetText(const std::string& new_text) {
    const std::string text = ValidUtf8(new_text);
    if (text == Text())
        return;
    if (!buffer_) {
        gtk_entry_set_text(GTK_ENTRY(input_), text.c_str());
        return;
    }
    const auto on_changed = reinterpret_cast<gpointer>(&GtkNativeEdit::OnChanged);
    g_signal_handlers_block_by_func(buffer_, on_changed, this);
    gtk_text_buffer_set_text(buffer_, text.c_str(), static_cast<gint>(text.size()));
    g_signal_handlers_unblock_by_func(buffer_, on_changed, this);
    OnChanged(this);
}

void GtkNativeEdit::Focus() {
    gtk_widget_grab_focus(input_);
}

void GtkNativeEdit::OnChanged(gpointer self) {
    auto* edit = static_cast<GtkNativeEdit*>(self);
    if (edit->on_change)
        edit->on_change(edit->Text());
}

void GtkNativeEdit::OnActivate(GtkEntry*, gpointer self) {
    auto* edit = static_cast<GtkNativeEdit*>(self);
    if (edit->on_activate)
        edit->on_activate();
}

// GtkTextView has no length limit of its own: an insertion that would pass max_chars is cut
// to what still fits, never splitting a character, the way GtkEntry cuts a paste.
void GtkNativeEdit::OnInsertText(GtkTextBuffer* buffer, GtkTextIter* at, gchar* text, gint length,
                                 gpointer self) {
    auto* edit = static_cast<GtkNativeEdit*>(self);
    if (edit->options_.max_chars <= 0)
        return;
    const auto limit = static_cast<std::size_t>(edit->options_.max_chars);
    const auto used = static_cast<std::size_t>(gtk_text_buffer_get_char_count(buffer));
    const std::string_view inserted(text, static_cast<std::size_t>(length));
    if (used + CountChars(inserted) <= limit)
        return;
    g_signal_stop_emission_by_name(buffer, "insert-text");
    const std::string_view fits = TruncateChars(inserted, used < limit ? limit - used : 0);
    if (fits.empty())
        return;
    g_signal_handlers_block_by_func(buffer,
                                    reinterpret_cast<gpointer>(&GtkNativeEdit::OnInsertText), self);
    gtk_text_buffer_insert(buffer, at, fits.data(), static_cast<gint>(fits.size()));
    g_signal_handlers_unblock_by_func(
        buffer, reinterpret_cast<gpointer>(&GtkNativeEdit::OnInsertText), self);
}

}  // namespace platform
