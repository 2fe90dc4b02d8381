#include "bkwin/BkBuiltinControls.h"

#include <utility>

#include "bkwin/BkButton.h"
#include "bkwin/BkCheckBox.h"
#include "bkwin/BkControlTable.h"
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

// In the order panels try them.
constexpr ControlTableEntry kBuiltins[] = {
    {"dlg", MakeControl<CBkDialog>},
    {"text", MakeControl<CBkStatic>},
    {"button", MakeControl<CBkButton>},
    {"img", MakeControl<CBkImageWnd>},
    {"imgbtn", MakeControl<CBkImageBtnWnd>},
    {"skinbtn", MakeControl<CBkSkinBtnWnd>},
    {"realwnd", MakeControl<CBkRealWnd>},
    {"hr", MakeControl<CBkLine>},
    {"check", MakeControl<CBkCheckBox>},
    {"radio", MakeControl<CBkRadioBox>},
    {"link", MakeControl<CBkLink>},
    {"memimage", MakeControl<CBkMemoryImage>},
    {"storageimageex", MakeControl<CBkStorageImageEx>},
    {"storageimageex2", MakeControl<CBkStorageImageEx2>},
    {"dlgbtn", MakeControl<CBkDialogButton>},
};

}  // namespace

std::unique_ptr<CBkWindow> CreateBuiltinControl(std::string_view tag) {
    return CreateFromTable(kBuiltins, tag);
}

}  // namespace BkWin
