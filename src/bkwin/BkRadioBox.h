#pragma once

#include <string>

#include "bkwin/BkCheckBox.h"

namespace BkWin {

// A radio button; one radio per "group" name is checked in the whole program.
class CBkRadioBox : public CBkCheckBox {
public:
    ~CBkRadioBox() override;
    std::string_view GetObjectClass() const override { return "radio"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    void OnLButtonUp(platform::Point at) override;
    const std::string& Group() const { return group_; }
    // Checks this radio and unchecks the rest of its group.
    void Select();

protected:
    void DrawMark(cairo_t* cr, const platform::Rect& box) const override;

private:
    std::string group_;
};

}  // namespace BkWin
