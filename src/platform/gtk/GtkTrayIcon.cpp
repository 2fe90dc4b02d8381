#include "platform/gtk/GtkTrayIcon.h"

#include "platform/gtk/ValidUtf8.h"

namespace platform {

GtkTrayIcon::GtkTrayIcon(const std::filesystem::path& icon_png, const std::string& tooltip) {
    // Hosts look the icon up by name in a theme folder: the PNG's folder serves as one.
    indicator_ = app_indicator_new_with_path("quire", icon_png.stem().c_str(),
                                             APP_INDICATOR_CATEGORY_APPLICATION_STATUS,
                                             icon_png.parent_path().c_str());
    menu_ = GTK_WIDGET(g_object_ref_sink(gtk_menu_new()));
    item_ = gtk_menu_item_new_with_label("");
    g_signal_connect(item_, "activate", G_CALLBACK(&GtkTrayIcon::OnActivate), this);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_), item_);
    gtk_widget_show_all(menu_);
    app_indicator_set_menu(indicator_, GTK_MENU(menu_));
    app_indicator_set_secondary_activate_target(indicator_, item_);
    SetTooltip(tooltip);
    app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_ACTIVE);
}

GtkTrayIcon::~GtkTrayIcon() {
    g_signal_handlers_disconnect_by_data(item_, this);
    app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_PASSIVE);
    g_object_unref(indicator_);
    gtk_widget_destroy(menu_);
    g_object_unref(menu_);
}

void GtkTrayIcon::SetTooltip(const std::string& text) {
    const std::string valid = ValidUtf8(text);
    app_indicator_set_title(indicator_, valid.c_str());
    gtk_menu_item_set_label(GTK_MENU_ITEM(item_), valid.c_str());
}

void GtkTrayIcon::OnActivate(GtkMenuItem*, gpointer self) {
    auto* icon = static_cast<GtkTrayIcon*>(self);
    if (icon->on_activate)
        icon->on_activate();
}

}  // namespace platform
