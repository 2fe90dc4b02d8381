#include "bkwin/BkBuiltinControls.h"

#include <utility>

#include "bkwin/BkButton.h"
#include "bkwin/BkCheckBox.h"
#include "bkwin/BkDialog.h"
#include "bkwin/BkDialogButton.h"
#include "bkwin/BkImageBtnWnd.h"
#include "bkwin/BkImageWnd.h"
#include "bkwin/BkLine.h"
#include "bkwin/BkLink.h"
#include "bkwin/BkMemoryImage.h"
#include "bkwin/BkRadioBox.h"
#include "bkwin/BkRealWnd.h"
#include "bkwin/BkSkinBtnWnd.h"
#include "bkwin/BkStatic.h"
#include "bkwin/BkStorageImageEx2.h"

namespace BkWin {
namespace {

template <class Control>
std::unique_ptr<CBkWindow> Make() {
    return std::make_unique<Control>();
}

using Factory = std::unique_ptr<CBkWindow> (*)();

// In the order panels try them.
constexpr std::pair<std::string_view, Factory> kBuiltins[] = {
    {"dlg", Make<CBkDialog>},
    {"text", Make<CBkStatic>},
    {"button", Make<CBkButton>},
    {"img", Make<CBkImageWnd>},
    {"imgbtn", Make<CBkImageBtnWnd>},
    {"skinbtn", Make<CBkSkinBtnWnd>},
    {"realwnd", Make<CBkRealWnd>},
    {"hr", Make<CBkLine>},
    {"check", Make<CBkCheckBox>},
    {"radio", Make<CBkRadioBox>},
    {"link", Make<CBkLink>},
    {"memimage", Make<CBkMemoryImage>},
    {"storageimageex", Make<CBkStorageImageEx>},
    {"storageimageex2", Make<CBkStorageImageEx2>},
    {"dlgbtn", Make<CBkDialogButton>},
};

}  // namespace

std::unique_ptr<CBkWindow> CreateBuiltinControl(std::string_view tag) {
    for (const auto& [name, make] : kBuiltins) {
        if (name == tag)
            return make();
    }
    return nullptr;
}

}  // namespace BkWin
