#pragma once

#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <filesystem>
#include <string>

#include "platform/window/WindowSystem.h"

namespace platform {

// A StatusNotifierItem. Hosts show a menu rather than reporting clicks, so the icon carries a
// one-item menu, named like the tooltip, that activates; a middle click does the same.
class GtkTrayIcon final : public TrayIcon {
public:
    GtkTrayIcon(const std::filesystem::path& icon_png, const std::string& tooltip);
    ~GtkTrayIcon() override;
    GtkTrayIcon(const GtkTrayIcon&) = delete;
    GtkTrayIcon& operator=(const GtkTrayIcon&) = delete;

    void SetTooltip(const std::string& text) override;

private:
    static void OnActivate(GtkMenuItem* item, gpointer self);

    AppIndicator* indicator_ = nullptr;  // owned reference
    GtkWidget* menu_ = nullptr;          // owned reference
    GtkWidget* item_ = nullptr;          // child of menu_
};

}  // namespace platform
