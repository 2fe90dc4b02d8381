#include "bkwin/BkControlCreator.h"

#include <utility>

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

template <class Control>
std::unique_ptr<CBkWindow> Make() {
    return std::make_unique<Control>();
}

using Factory = std::unique_ptr<CBkWindow> (*)();

// In the order they are tried.
constexpr std::pair<std::string_view, Factory> kControls[] = {
    {"listwnd", Make<CBkListWnd>},
    {"listitem", Make<CBkListItem>},
    {"rundrectpath", Make<CBkRoundRectPath>},
    {"expendimg", Make<CBkExpendImg>},
    {"listscrollbar", Make<CBkWindowScollBar>},
    {"richtext2", Make<CBkRichText2Wnd>},
    {"lineviewex", Make<CBkLineViewEx>},
    {"ownereventdlg", Make<CBkOwnerEventDlg>},
    {"sliderviewex", Make<CBkSliderViewEx>},
    {"scrollwnd", Make<CBkScrollWindow>},
};

}  // namespace

std::unique_ptr<CBkWindow> CBkControlCreator::CreateControl(std::string_view tag) {
    for (const auto& [name, make] : kControls) {
        if (name == tag)
            return make();
    }
    return nullptr;
}

}  // namespace BkWin
