#include "platform/window/HeadlessTrayIcon.h"

#include "platform/window/HeadlessWindowSystem.h"

namespace platform {

HeadlessTrayIcon::HeadlessTrayIcon(HeadlessWindowSystem* system, std::string icon_png,
                                   std::string tooltip)
    : system_(system), icon_png_(std::move(icon_png)), tooltip_(std::move(tooltip)) {}

HeadlessTrayIcon::~HeadlessTrayIcon() {
    if (system_)
        system_->ForgetTrayIcon(this);
}

}  // namespace platform
