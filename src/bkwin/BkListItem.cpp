#include "bkwin/BkListItem.h"

#include <algorithm>

#include "bkwin/BkListWnd.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkListItem::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "viewvisible") {
        view_visible_ = platform::ParseIntLikeWtoi(value) != 0;
        return true;
    }
    return CBkDialog::SetAttribute(name, value, loading);
}

int CBkListItem::Extent(bool vertical, int room) const {
    const BkSizeModel& model = vertical ? HeightModel() : WidthModel();
    switch (model.kind) {
        case BkSizeModel::kFixed:
            return ScaleValue(model.value);
        case BkSizeModel::kFull:
            return std::max(room, 0);
        case BkSizeModel::kContent:
            break;
    }
    const platform::Size content = GetContentSize();
    return vertical ? content.height : content.width;
}

CBkListWnd* CBkListItem::List() const {
    return dynamic_cast<CBkListWnd*>(Parent());
}

}  // namespace BkWin
