#pragma once

#include <algorithm>
#include <cstdint>

namespace reconstruct {

// Page coordinates in points, origin at the top left of the page as the reader sees it (after
// /Rotate and the crop box), y growing downwards: the frame MuPDF's structured text uses.
struct Rect {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;

    double Width() const { return x1 - x0; }
    double Height() const { return y1 - y0; }
    double CenterX() const { return (x0 + x1) / 2; }
    double CenterY() const { return (y0 + y1) / 2; }
    bool IsEmpty() const { return x1 <= x0 || y1 <= y0; }
    bool Contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    Rect United(const Rect& other) const {
        if (IsEmpty())
            return other;
        if (other.IsEmpty())
            return *this;
        return {std::min(x0, other.x0), std::min(y0, other.y0), std::max(x1, other.x1),
                std::max(y1, other.y1)};
    }
    Rect Intersected(const Rect& other) const {
        return {std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1),
                std::min(y1, other.y1)};
    }
    bool operator==(const Rect&) const = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

}  // namespace reconstruct
