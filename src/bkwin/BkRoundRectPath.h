#pragma once

#include <optional>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A rounded rectangle outline, optionally filled with the background colour.
class CBkRoundRectPath : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "rundrectpath"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

protected:
    void DrawBackground(cairo_t* cr) override;
    void DrawContent(cairo_t* cr) override;

private:
    void TracePath(cairo_t* cr) const;

    bool draw_background_ = false;
    std::optional<Colour> line_colour_;
    int line_alpha_ = 255;
    int line_size_ = 1;
    int radius_x_ = 4;
    int radius_y_ = 4;
};

}  // namespace BkWin
