#pragma once

#include <string>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A check box: a mark (skin, or drawn) followed by the text. A release inside toggles it
// before the click is reported.
class CBkCheckBox : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "check"; }
    bool IsClickable() const override { return true; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;
    void OnLButtonUp(platform::Point at) override;
    int GetUniqueId() const { return unique_id_; }

protected:
    void DrawContent(cairo_t* cr) override;
    virtual void DrawMark(cairo_t* cr, const platform::Rect& box) const;
    platform::Size MarkSize() const;
    // Keeps the "size" attribute names of the subclasses apart.
    bool SetMarkAttribute(std::string_view name, std::string_view value,
                          std::string_view width_name, std::string_view height_name);

private:
    std::string skin_, skin_check_;
    int mark_width_ = 14;
    int mark_height_ = 14;
    int text_spacing_ = 4;
    int unique_id_ = 0;
};

}  // namespace BkWin
