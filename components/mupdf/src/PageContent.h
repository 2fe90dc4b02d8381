#pragma once

#include <functional>

struct fz_context;
struct pdf_page;

namespace quiremupdf {

// What a page draws, counted by running its content stream through a device that draws
// nothing.
struct PageContent {
    long glyphs = 0;
    long images = 0;
    long shadings = 0;
    long filled_paths = 0;
    long stroked_paths = 0;
    long line_segments = 0;   // of stroked paths; a rectangle counts as four
    long curve_segments = 0;  // of stroked paths
    bool complete = true;     // false when the run failed or was stopped
};

enum class PageKind { kBlank, kImageOnly, kDrawing, kOther };

// `stop` is polled while the content runs; when it returns true the run ends early.
PageContent ScanPageContent(fz_context* context, pdf_page* page, const std::function<bool()>& stop);

PageKind ClassifyPage(const PageContent& content);

}  // namespace quiremupdf
