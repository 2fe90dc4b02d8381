#pragma once

#include <string>

#include "bkwin/BkWindow.h"

namespace BkWin {

class CBkSkinBase;

// An image from a named skin; "sub" picks the piece of a state strip.
class CBkImageWnd : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "img"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;
    void SetSkin(std::string_view skin);
    void SetSub(int sub);

protected:
    void DrawContent(cairo_t* cr) override;
    // The piece drawn in the current state.
    virtual int PieceIndex() const { return sub_; }
    const CBkSkinBase* Skin() const;

private:
    std::string skin_;
    int sub_ = 0;
    int alpha_ = 255;
    bool use_pos_size_ = false;
    // Kept for the owner; the image is drawn from the skin alone.
    std::string icon_skin_, caption_, group_, mask_;
    int icon_top_ = 0, caption_top_ = 0, clip_type_ = 0, clip_param_ = 0;
};

}  // namespace BkWin
