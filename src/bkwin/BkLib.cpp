#include "bkwin/BkLib.h"

#include <functional>
#include <string>
#include <string_view>

#include "bkwin/BkDpi.h"
#include "bkwin/BkFontPool.h"
#include "bkwin/BkPngPool.h"
#include "bkwin/BkResource.h"
#include "bkwin/BkSkin.h"
#include "bkwin/BkString.h"
#include "bkwin/BkStyle.h"
#include "platform/Diagnostics.h"

namespace BkWin {
namespace {

constexpr int kSkinsXml = 60000;
constexpr int kStylesXml = 60001;
constexpr int kStringsXml = 60002;
constexpr int kEditionWithoutForcedDpi = 1;
constexpr int kSansFaceString = 1;
constexpr int kSerifFaceString = 2;

bool LoadXml(int id, const std::function<bool(std::string_view)>& load) {
    const std::optional<std::string> xml = BkResource::Find("xml", id);
    if (!xml) {
        platform::ReportDiagnostic("bkwin: xml resource " + std::to_string(id) + " is missing");
        return false;
    }
    return load(*xml);
}

}  // namespace

bool InitBkLib(int edition) {
    if (edition != kEditionWithoutForcedDpi)
        BkDpi::ForceEnabled();
    BkPngPool::Clear();
    bool loaded = LoadXml(kStringsXml, BkString::LoadStrings);
    loaded = LoadXml(kSkinsXml, BkSkin::LoadSkins) && loaded;
    loaded = LoadXml(kStylesXml, BkStyle::LoadStyles) && loaded;

    const std::string chosen = BkFontPool::ChooseBaseFace();
    const bool sans = chosen == "微软雅黑" || chosen == "Microsoft YaHei";
    std::string face = BkString::Get(sans ? kSansFaceString : kSerifFaceString);
    // Without the string table the chosen face itself still gives the right family.
    if (face.empty())
        face = chosen;
    BkFontPool::SetBaseFont(face, -12);
    return loaded;
}

}  // namespace BkWin
