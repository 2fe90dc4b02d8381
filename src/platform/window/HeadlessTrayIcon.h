#pragma once

#include <string>

#include "platform/window/WindowSystem.h"

namespace platform {

class HeadlessWindowSystem;

// Made by HeadlessWindowSystem::CreateTrayIcon; it may outlive the system.
class HeadlessTrayIcon : public TrayIcon {
public:
    HeadlessTrayIcon(HeadlessWindowSystem* system, std::string icon_png, std::string tooltip);
    ~HeadlessTrayIcon() override;
    HeadlessTrayIcon(const HeadlessTrayIcon&) = delete;
    HeadlessTrayIcon& operator=(const HeadlessTrayIcon&) = delete;

    void SetTooltip(const std::string& text) override { tooltip_ = text; }

    const std::string& Tooltip() const { return tooltip_; }
    const std::string& IconPng() const { return icon_png_; }

private:
    friend class HeadlessWindowSystem;

    HeadlessWindowSystem* system_;  // not owned; null once the system is gone
    std::string icon_png_;
    std::string tooltip_;
};

}  // namespace platform
