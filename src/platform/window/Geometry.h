#pragma once

#include <algorithm>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Half-open like the Windows RECT: right and bottom are one past the last pixel.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static Rect At(Point origin, Size size) {
        return {origin.x, origin.y, origin.x + size.width, origin.y + size.height};
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    Size GetSize() const { return {Width(), Height()}; }
    Point TopLeft() const { return {left, top}; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Inflate(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    // Empty rectangles take no part: the union with one is the other.
    Rect Intersect(const Rect& other) const {
        const Rect result{std::max(left, other.left), std::max(top, other.top),
                          std::min(right, other.right), std::min(bottom, other.bottom)};
        return result.IsEmpty() ? Rect{} : result;
    }
    Rect Union(const Rect& other) const {
        if (IsEmpty())
            return other;
        if (other.IsEmpty())
            return *this;
        return {std::min(left, other.left), std::min(top, other.top),
                std::max(right, other.right), std::max(bottom, other.bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace platform
