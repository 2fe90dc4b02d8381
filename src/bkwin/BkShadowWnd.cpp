#include "bkwin/BkShadowWnd.h"

#include <algorithm>

#include "bkwin/BkShadowDrawable.h"
#include "bkwin/BkSkin.h"

namespace BkWin {
namespace {

// A shadow wider than this is a mistake in the caller, not a look anybody wants.
constexpr int kMaxShadow = 512;
constexpr std::string_view kFrameSkin = "dlg_shadow";

// The skin's eight outer parts around `place`: corners `corner` pixels square as drawn, edges
// stretched along the window's sides. The middle stays clear; the window covers it.
void DrawFrame(cairo_t* cr, const CBkSkinBase& skin, const platform::Rect& place) {
    const platform::Size size = skin.GetSkinSize();
    const int corner = (size.width - 2) / 2;
    if (corner <= 0 || size.height < 2 * corner)
        return;
    BkSurfaceRef image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height));
    cairo_t* skin_cr = cairo_create(image.get());
    skin.Draw(skin_cr, platform::Rect::At({}, size), 0, false);
    cairo_destroy(skin_cr);
    cairo_surface_flush(image.get());

    const int sx[] = {0, corner, size.width - corner, size.width};
    const int sy[] = {0, corner, size.height - corner, size.height};
    const int dx[] = {place.left - corner, place.left, place.right, place.right + corner};
    const int dy[] = {place.top - corner, place.top, place.bottom, place.bottom + corner};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (row == 1 && column == 1)
                continue;
            DrawImagePart(cr, image.get(), {sx[column], sy[row], sx[column + 1], sy[row + 1]},
                          {dx[column], dy[row], dx[column + 1], dy[row + 1]});
        }
    }
}

int ClampedMargin(const BkShadow& shadow) {
    return std::clamp(shadow.size, 0, kMaxShadow);
}

}  // namespace

CShadowWnd::CShadowWnd(platform::WindowSystem& system, platform::NativeWindow& window,
                       const BkShadow& shadow)
    : window_(window), shadow_(shadow) {
    const int margin = Margin();
    const platform::Size size = window.ClientSize();
    platform::WindowOptions options;
    options.popup = true;
    options.translucent = true;
    options.owner = &window;
    options.in_task_bar = false;
    options.input_transparent = true;
    options.position_in_owner = {-margin, -margin};
    options.size = {size.width + 2 * margin, size.height + 2 * margin};
    native_ = system.CreateWindow(options);
    native_->on_paint = [this](cairo_t* cr, const platform::Rect&) { OnPaint(cr); };
}

BkSurfaceRef CShadowWnd::Render(const BkShadow& shadow, platform::Size window_size) {
    const int margin = ClampedMargin(shadow);
    const platform::Rect whole{0, 0, window_size.width + 2 * margin,
                               window_size.height + 2 * margin};
    BkSurfaceRef image(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, whole.Width(), whole.Height()));
    cairo_t* cr = cairo_create(image.get());
    const bool frame = !shadow.paint_hook || shadow.paint_hook(cr, whole);
    if (frame) {
        if (const CBkSkinBase* skin = BkSkin::GetSkin(kFrameSkin))
            DrawFrame(cr, *skin, platform::Rect::At({margin, margin}, window_size));
    }
    cairo_destroy(cr);
    cairo_surface_flush(image.get());
    return image;
}

int CShadowWnd::Margin() const {
    return ClampedMargin(shadow_);
}

bool CShadowWnd::WindowShown() const {
    const platform::Size size = window_.ClientSize();
    return window_.IsVisible() && window_.State() != platform::WindowState::kMinimized &&
           size.width > 0 && size.height > 0;
}

void CShadowWnd::Follow() {
    if (!WindowShown()) {
        native_->Hide();
        return;
    }
    const bool appearing = !native_->IsVisible();
    if (appearing || stale_)
        Redraw();
    if (appearing)
        native_->Show();
}

void CShadowWnd::OnWindowResized() {
    stale_ = true;
    if (!WindowShown())
        native_->Hide();
}

void CShadowWnd::OnWindowStateChanged() {
    stale_ = true;
    Follow();
}

void CShadowWnd::Redraw() {
    const int margin = Margin();
    const platform::Size size = window_.ClientSize();
    native_->Move({-margin, -margin});
    native_->Resize({size.width + 2 * margin, size.height + 2 * margin});
    image_ = Render(shadow_, size);
    stale_ = false;
    native_->InvalidateAll();
}

void CShadowWnd::OnPaint(cairo_t* cr) {
    if (!image_)
        return;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image_.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
