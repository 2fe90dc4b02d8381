#include "convcore/RenderBands.h"

#include <algorithm>

#include "convcore/RenderDocument.h"

namespace convcore {
namespace {

bool Aborted(const fz_cookie* cookie) {
    return cookie != nullptr && cookie->abort != 0;
}

// One band of the canvas; the page's own box clips what it draws, so content outside the page
// never reaches the margins beside a narrower page.
bool DrawBand(fz_context* context, fz_page* page, fz_display_list* list,
              const PagePlacement& placement, const fz_irect& band, fz_cookie* cookie,
              PixmapHandle* pixmap, std::string* error) {
    DeviceHandle device(context);
    return CatchMupdf(
        context,
        [&] {
            pixmap->Slot() =
                fz_new_pixmap_with_bbox(context, fz_device_rgb(context), band, nullptr, 0);
            fz_clear_pixmap_with_value(context, pixmap->Get(), 255);
            device.Slot() =
                fz_new_draw_device_with_bbox(context, fz_identity, pixmap->Get(), &placement.box);
            if (list != nullptr)
                fz_run_display_list(context, list, device.Get(), placement.transform,
                                    fz_rect_from_irect(band), cookie);
            else
                fz_run_page(context, page, device.Get(), placement.transform, cookie);
            fz_close_device(context, device.Get());
        },
        error);
}

}  // namespace

bool PlacePage(fz_context* context, fz_page* page, float scale, PagePlacement* placement,
               std::string* error) {
    fz_rect bounds = fz_empty_rect;
    if (!CatchMupdf(
            context, [&] { bounds = fz_bound_page(context, page); }, error))
        return false;
    placement->bounds = bounds;
    placement->transform = fz_scale(scale, scale);
    placement->box = fz_round_rect(fz_transform_rect(bounds, placement->transform));
    return true;
}

bool DrawPageRows(fz_context* context, fz_page* page, const PagePlacement& placement,
                  int canvas_width, fz_cookie* cookie, const RowSink& sink, std::string* error) {
    const int height = placement.Height();
    if (height <= 0 || canvas_width < placement.Width()) {
        *error = "the page does not fit the image";
        return false;
    }
    const int left = placement.box.x0 - (canvas_width - placement.Width()) / 2;
    const int rows_per_band = static_cast<int>(std::clamp<std::size_t>(
        kBandBytes / (static_cast<std::size_t>(canvas_width) * 3), 1, height));
    DisplayListHandle list(context);
    if (rows_per_band < height &&
        !CatchMupdf(
            context, [&] { list.Slot() = fz_new_display_list_from_page(context, page); }, error))
        return false;
    for (int top = placement.box.y0; top < placement.box.y1; top += rows_per_band) {
        if (Aborted(cookie)) {
            *error = "cancelled";
            return false;
        }
        const fz_irect band{left, top, left + canvas_width,
                            std::min(top + rows_per_band, placement.box.y1)};
        PixmapHandle pixmap(context);
        if (!DrawBand(context, page, list.Get(), placement, band, cookie, &pixmap, error))
            return false;
        if (Aborted(cookie)) {
            *error = "cancelled";
            return false;
        }
        if (!sink(fz_pixmap_samples(context, pixmap.Get()), fz_pixmap_stride(context, pixmap.Get()),
                  band.y1 - band.y0, error))
            return false;
    }
    return true;
}

}  // namespace convcore
