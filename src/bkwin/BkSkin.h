#pragma once

#include <cairo.h>

#include <memory>
#include <string_view>

#include "bkwin/BkObject.h"
#include "platform/window/Geometry.h"

namespace BkWin {

// A named look from the skin resource: knows its size and draws itself for a state.
class CBkSkinBase : public CBkObject {
public:
    virtual platform::Size GetSkinSize() const = 0;
    virtual void Draw(cairo_t* cr, const platform::Rect& rect, int state, bool dpi,
                      int alpha = 255) const = 0;
};

// The process-wide skin registry, filled from XML resource 60000 at framework start-up.
class BkSkin {
public:
    // Parses a "skins" document; a name defined twice keeps its first definition.
    static bool LoadSkins(std::string_view xml);
    static CBkSkinBase* GetSkin(std::string_view name);  // null when unknown
    static void Clear();
};

}  // namespace BkWin
