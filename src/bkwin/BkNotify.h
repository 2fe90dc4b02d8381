#pragma once

#include <string>

#include "platform/window/Geometry.h"

namespace BkWin {

class CBkDialogViewImplEx;

// Codes of the notifications a layout window sends to its owner.
enum BkNotifyCode : int {
    kNotifyClick = 1,
    kNotifyRealWndMoved = 2,
    kNotifyMouseMove = 3,
    kNotifyMouseLeave = 4,
    kNotifyTabChanging = 5,
    kNotifyHoverChange = 6,
    kNotifyPress = 7,
    kNotifyDoubleClick = 8,
    kNotifyTabHover = 10,
    kNotifySliderChanging = 11,
    kNotifySliderReleased = 12,
    kNotifyList = 14,
};

// The fields of code 14; `from_item` tells the item record from the list record.
struct BkListRecord {
    bool from_item = false;
    int list_id = 0;
    int kind = 0;
    int item_index = -1;
    std::string list_class;
    int item_id = 0;  // item record only
    std::string item_class;
    int control_id = 0;
    std::string control_class;
    int checked = 0;    // item record: 1 for a checked "check"
    int unique_id = 0;  // item record: the check box's "unique_id"
};

// One notification. The owner may write `refuse` (codes 5, 11, 12) before returning.
struct BkNotify {
    CBkDialogViewImplEx* window = nullptr;
    int sender = -1;
    int code = 0;
    int id = 0;
    std::string class_name;  // codes 1 and 8: the control's tag
    platform::Rect rect;     // code 2
    int new_value = 0;       // codes 5, 10, 11, 12 (indexes or slider values)
    int old_value = 0;
    int refuse = 0;
    std::string text;   // code 6: "wnd"
    int kind = 0;       // code 6: 3 entered, 4 left
    BkListRecord list;  // code 14
};

}  // namespace BkWin
