#include "bkwin/BkControlCreator.h"

#include <utility>

#include "bkwin/BkControlTable.h"
#include "bkwin/BkExpendImg.h"
#include "bkwin/BkLineViewEx.h"
#include "bkwin/BkListItem.h"
#include "bkwin/BkListWnd.h"
#include "bkwin/BkOwnerEventDlg.h"
#include "bkwin/BkRichText2Wnd.h"
#include "bkwin/BkRoundRectPath.h"
#include "bkwin/BkScrollWindow.h"
#include "bkwin/BkSliderViewEx.h"
#include "bkwin/BkWindowScollBar.h"

namespace BkWin {
namespace {

// In the order they are tried.
constexpr ControlTableEntry kControls[] = {
    {"listwnd", MakeControl<CBkListWnd>},
    {"listitem", MakeControl<CBkListItem>},
    {"rundrectpath", MakeControl<CBkRoundRectPath>},
    {"expendimg", MakeControl<CBkExpendImg>},
    {"listscrollbar", MakeControl<CBkWindowScollBar>},
    {"richtext2", MakeControl<CBkRichText2Wnd>},
    {"lineviewex", MakeControl<CBkLineViewEx>},
    {"ownereventdlg", MakeControl<CBkOwnerEventDlg>},
    {"sliderviewex", MakeControl<CBkSliderViewEx>},
    {"scrollwnd", MakeControl<CBkScrollWindow>},
};

}  // namespace

std::unique_ptr<CBkWindow> CBkControlCreator::CreateControl(std::string_view tag) {
    return CreateFromTable(kControls, tag);
}

}  // namespace BkWin
