#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "convcore/WatermarkArtwork.h"

namespace convcore {

// A page as the reader sees it: its visible box (the crop box within the media box) turned by
// its /Rotate.
struct PageView {
    MarkSize size;  // points, as seen
    // From the upright view (origin at its bottom left corner, y up) to the page's user space.
    std::array<double, 6> to_page{1, 0, 0, 1, 0, 0};
};

PageView ViewOfPage(QPDFObjectHandle page);

// Puts the watermark onto pages of one document: the artwork is drawn once per page size,
// taken into the document as a form XObject and drawn by a few operators added before the
// page's content (under it) or after it (over it).
class WatermarkStamper {
public:
    // `target` and `artwork` must outlive the stamper, and the stamper must outlive the
    // writing of `target`: the drawings' data is read from the stamper's documents then.
    WatermarkStamper(QPDF& target, const WatermarkArtwork& artwork, bool background);

    // False with the reason.
    bool Stamp(QPDFObjectHandle page, std::string* error);

private:
    // The artwork for pages of this size, in the target document; null with the reason.
    QPDFObjectHandle FormFor(MarkSize size, std::string* error);
    // One stream per distinct text, shared by every page that needs it.
    QPDFObjectHandle StreamOf(const std::string& operators);

    struct Drawing {
        std::string pdf;  // what `document` reads; must stay where it is
        QPDF document;
    };

    QPDF& target_;
    const WatermarkArtwork& artwork_;
    bool background_;
    std::vector<std::unique_ptr<Drawing>> drawings_;
    std::map<std::pair<long long, long long>, QPDFObjectHandle> forms_;  // by size in 1/100 pt
    std::map<std::string, QPDFObjectHandle> streams_;
};

}  // namespace convcore
