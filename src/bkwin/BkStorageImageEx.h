#pragma once

#include <filesystem>
#include <string>

#include "bkwin/BkSurfaceRef.h"
#include "bkwin/BkWindow.h"

namespace BkWin {

// A PNG file drawn stretched into the control with an alpha value.
class CBkStorageImageEx : public CBkWindow {
public:
    // Files larger than this on a side are refused, not decoded.
    static constexpr int kMaxImageSide = 8192;

    std::string_view GetObjectClass() const override { return "storageimageex"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;
    // False, with the image cleared, when the file is not a readable PNG of bounded size.
    bool SetFile(const std::filesystem::path& file);
    bool HasImage() const { return image_ != nullptr; }

protected:
    void DrawContent(cairo_t* cr) override;
    virtual void PaintImage(cairo_t* cr, cairo_surface_t* image, int alpha);

private:
    BkSurfaceRef image_;
    int alpha_ = 255;
};

}  // namespace BkWin
