#pragma once

// The picture-size limits of the PDF-to-image windows: the core holds a picture in memory
// within the "memoctrl" budget, and a JPEG side stays below 60000 pixels, so the windows offer
// only the qualities and page counts per picture that fit.
namespace cli {

struct PageImageRequest {
    int memory_mib = 200;  // [kpdfcore] memoctrl
    bool jpg = true;
    bool long_image = false;  // pages joined into tall pictures
    int span = 1;             // pages converted
    int pages_per_image = 0;  // long pictures: pages joined; 0 joins all
    int scale_percent = 200;  // 50, 100, 200, 300 or 400
    int width = 0;            // the largest page, pixels at scale 1; 0 when not known
    int height = 0;
};

struct PageImageFit {
    bool refused = false;  // no quality or no page count fits
    int scale_percent = 200;
    int pages_per_image = 0;
    bool scale_lowered = false;
    bool count_lowered = false;
};

PageImageFit FitPageImages(const PageImageRequest& request);

}  // namespace cli
