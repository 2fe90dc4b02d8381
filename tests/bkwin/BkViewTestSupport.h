#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bkwin/BkDialogViewImplEx.h"
#include "platform/window/HeadlessWindow.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace bkwin_test {

// A layout window over the headless backend that keeps every notification it sends.
class ViewFixture : public ::testing::Test {
protected:
    ViewFixture() {
        view_.on_notify = [this](BkWin::BkNotify& record) { records_.push_back(record); };
    }

    bool Load(const std::string& xml) {
        if (!view_.LoadXml(xml))
            return false;
        view_.NativeWindow()->Show();
        return true;
    }
    platform::HeadlessWindow& Window() {
        return static_cast<platform::HeadlessWindow&>(*view_.NativeWindow());
    }
    void Mouse(platform::MouseAction action, platform::Point at,
               platform::MouseButton button = platform::MouseButton::kLeft, int wheel = 0) {
        platform::MouseEvent event;
        event.action = action;
        event.button = button;
        event.position = at;
        event.wheel_delta = wheel;
        ASSERT_TRUE(Window().InjectMouse(event));
    }
    void Click(platform::Point at) {
        Mouse(platform::MouseAction::kMove, at, platform::MouseButton::kNone);
        Mouse(platform::MouseAction::kPress, at);
        Mouse(platform::MouseAction::kRelease, at);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const auto& record : records_)
            codes.push_back(record.code);
        return codes;
    }
    std::vector<BkWin::BkNotify> WithCode(int code) const {
        std::vector<BkWin::BkNotify> found;
        for (const auto& record : records_) {
            if (record.code == code)
                found.push_back(record);
        }
        return found;
    }

    platform::HeadlessWindowSystem system_;
    BkWin::CBkDialogViewImplEx view_{system_};
    std::vector<BkWin::BkNotify> records_;
};

}  // namespace bkwin_test
