#include "bkwin/BkPosition.h"

#include <cctype>
#include <string>

#include "platform/Text.h"

namespace BkWin {
namespace {

constexpr int kMaxItems = 4;

BkPosItem ParseItem(std::string_view text, int index) {
    BkPosItem item;
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    if (at < text.size() && text[at] == '|') {
        item.centre = true;
        ++at;
    }
    if (at < text.size() && text[at] == '-') {
        item.minus = true;
        ++at;
    }
    const char extent_letter = index == 2 ? 'w' : index == 3 ? 'h' : '\0';
    if (extent_letter != '\0' && at < text.size() && text[at] == extent_letter) {
        item.extent = true;
        ++at;
    }
    item.value = platform::ParseIntLikeWtoi(text.substr(at));
    return item;
}

// Far-off values are clamped so that the sums below cannot overflow.
int Clamp(int value) {
    constexpr int kLimit = 1 << 20;
    return value < -kLimit ? -kLimit : value > kLimit ? kLimit : value;
}

int ResolveAxis(const BkPosItem& item, int value, int low, int high) {
    if (item.centre)
        return low + (high - low) / 2 + (item.minus ? -value : value);
    return item.minus ? high - value : low + value;
}

}  // namespace

BkPosition BkPosition::Parse(std::string_view text) {
    BkPosition position;
    int count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (count < kMaxItems)
            position.items_[count] = ParseItem(piece, count);
        ++count;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    position.count_ = text.empty() ? 0 : count;
    return position;
}

std::optional<platform::Rect> BkPosition::Resolve(const platform::Rect& inner,
                                                  platform::Size content_size,
                                                  const std::function<int(int)>& scale) const {
    if (!IsPlaced())
        return std::nullopt;
    auto value = [&](int index) { return Clamp(scale(items_[index].value)); };
    platform::Rect rect;
    rect.left = ResolveAxis(items_[0], value(0), inner.left, inner.right);
    rect.top = ResolveAxis(items_[1], value(1), inner.top, inner.bottom);
    if (count_ == 2) {
        rect.right = rect.left + content_size.width;
        rect.bottom = rect.top + content_size.height;
        return rect;
    }
    rect.right = items_[2].extent ? rect.left + value(2)
                                  : ResolveAxis(items_[2], value(2), inner.left, inner.right);
    rect.bottom = items_[3].extent ? rect.top + value(3)
                                   : ResolveAxis(items_[3], value(3), inner.top, inner.bottom);
    return rect;
}

}  // namespace BkWin
