#pragma once

#include <memory>
#include <string>

#include "convcore/WatermarkLayout.h"
#include "convcore/WatermarkOptions.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace convcore {

// The watermark drawn on its own, as a one-page PDF the size of a page: text stays text with
// the fonts it uses embedded, a picture keeps its pixels (a plain JPEG its very bytes).
class WatermarkArtwork {
public:
    // Loads what the options draw; nullptr with the reason when the picture cannot be used.
    // The options must name something to draw (MissingWatermarkContent is empty).
    static std::unique_ptr<WatermarkArtwork> Prepare(const WatermarkOptions& options,
                                                     std::string* error);

    // A PDF of one `page` sized page (points, as the reader sees it) with the watermark laid
    // out on it and nothing else. False with the reason.
    bool DrawPage(MarkSize page, std::string* pdf, std::string* error) const;

    ~WatermarkArtwork();
    WatermarkArtwork(const WatermarkArtwork&) = delete;
    WatermarkArtwork& operator=(const WatermarkArtwork&) = delete;

private:
    explicit WatermarkArtwork(const WatermarkOptions& options) : options_(options) {}

    bool LoadPicture(std::string* error);
    MarkSize PictureSize(MarkSize page) const;
    // Every occurrence the page gets.
    void DrawPictures(cairo_t* cairo, MarkSize page) const;
    void DrawTexts(cairo_t* cairo, MarkSize page) const;

    WatermarkOptions options_;
    cairo_surface_t* picture_ = nullptr;  // picture watermarks only; read-only once loaded
    MarkSize picture_own_size_;           // points, at the picture's resolution
};

}  // namespace convcore
