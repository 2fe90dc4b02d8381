#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/window/Geometry.h"

namespace BkWin {

// One item of a "pos" attribute.
struct BkPosItem {
    bool centre = false;  // "|": from the centre of the parent
    bool minus = false;   // "-": back from the right or bottom edge (or left of the centre)
    bool extent = false;  // "w"/"h" on the third/fourth item: a size added to x1/y1
    int value = 0;
};

// A parsed "pos": two items place a control at its content size, four give its rectangle.
// Anything else leaves the control unplaced.
class BkPosition {
public:
    static BkPosition Parse(std::string_view text);

    int Count() const { return count_; }
    bool IsPlaced() const { return count_ == 2 || count_ == 4; }
    const BkPosItem& Item(int index) const { return items_[index]; }

    // `inner` is the parent's rectangle less its style margins; `scale` maps each value to
    // the DPI rate (identity for controls that are not DPI-aware). Nothing when unplaced.
    std::optional<platform::Rect> Resolve(const platform::Rect& inner, platform::Size content_size,
                                          const std::function<int(int)>& scale) const;

private:
    std::array<BkPosItem, 4> items_{};
    int count_ = 0;
};

}  // namespace BkWin
