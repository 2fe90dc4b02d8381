#pragma once

#include <optional>

#include "bkwin/BkWindow.h"

namespace BkWin {

// The scroll bar of a list window: a thumb over a track, sized by the visible share.
class CBkWindowScollBar : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "listscrollbar"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

    // `range` is the largest scroll position, `page` the visible length.
    void SetMetrics(int position, int range, int page);
    // Its thickness across the list.
    int Thickness() const { return ScaleValue(bar_width_); }
    bool PermanentlyHidden() const { return permanent_hide_; }
    platform::Rect ThumbRect() const;
    // The position after dragging the thumb `pixels` from where it was at `start_position`.
    int PositionForDrag(int start_position, int pixels) const;
    void SetVertical(bool vertical) { vertical_ = vertical; }

protected:
    void DrawContent(cairo_t* cr) override;

private:
    int TrackLength() const;
    int ThumbLength() const;

    bool vertical_ = true;
    int position_ = 0, range_ = 0, page_ = 0;
    std::optional<Colour> bar_colour_, bar_hover_colour_, border_colour_;
    bool rectangle_bar_ = false;
    bool permanent_hide_ = false;
    int bar_width_ = 8;
    int min_thumb_ = 20;
};

}  // namespace BkWin
