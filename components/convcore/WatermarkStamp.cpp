#include "convcore/WatermarkStamp.h"

#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace convcore {
namespace {

struct Box {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
};

// What readers assume for a page without a usable media box: US Letter.
constexpr Box kLetter{0, 0, 612, 792};

bool ReadBox(QPDFObjectHandle value, Box* box) {
    if (!value.isRectangle())
        return false;
    const QPDFObjectHandle::Rectangle r = value.getArrayAsRectangle();
    const Box read{std::min(r.llx, r.urx), std::min(r.lly, r.ury), std::max(r.llx, r.urx),
                   std::max(r.lly, r.ury)};
    if (read.x1 <= read.x0 || read.y1 <= read.y0)
        return false;
    *box = read;
    return true;
}

// The part of the page readers show: the crop box, within the media box.
Box VisibleBox(QPDFPageObjectHelper& page) {
    Box media = kLetter;
    ReadBox(page.getAttribute("/MediaBox", false), &media);
    Box crop;
    if (!ReadBox(page.getAttribute("/CropBox", false), &crop))
        return media;
    const Box common{std::max(crop.x0, media.x0), std::max(crop.y0, media.y0),
                     std::min(crop.x1, media.x1), std::min(crop.y1, media.y1)};
    return common.x1 > common.x0 && common.y1 > common.y0 ? common : media;
}

// Clockwise quarter turns as the page is shown; anything but a multiple of 90 is rounded down
// to one, as readers do.
int QuarterTurns(QPDFPageObjectHelper& page) {
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    if (!rotate.isInteger())
        return 0;
    const long long degrees = (rotate.getIntValue() % 360 + 360) % 360;
    return static_cast<int>(degrees / 90);
}

// PDF numbers have no exponent; four decimals are far below what any device shows.
std::string Number(double value) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 4);
    std::string text(buffer, written.ptr);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string MatrixOperands(const std::array<double, 6>& matrix) {
    std::string text;
    for (const double value : matrix)
        text += Number(value) + " ";
    return text;
}

}  // namespace

PageView ViewOfPage(QPDFObjectHandle page) {
    QPDFPageObjectHelper helper(page);
    const Box box = VisibleBox(helper);
    const double width = box.x1 - box.x0;
    const double height = box.y1 - box.y0;
    // Each matrix takes the view's bottom left corner to the corner of the box that is shown
    // at the bottom left once the page is turned clockwise.
    switch (QuarterTurns(helper)) {
        case 1:
            return {{height, width}, {0, 1, -1, 0, box.x1, box.y0}};
        case 2:
            return {{width, height}, {-1, 0, 0, -1, box.x1, box.y1}};
        case 3:
            return {{height, width}, {0, -1, 1, 0, box.x0, box.y1}};
        default:
            return {{width, height}, {1, 0, 0, 1, box.x0, box.y0}};
    }
}

WatermarkStamper::WatermarkStamper(QPDF& target, const WatermarkArtwork& artwork, bool background)
    : target_(target), artwork_(artwork), background_(background) {}

bool WatermarkStamper::Stamp(QPDFObjectHandle page, std::string* error) {
    try {
        const PageView view = ViewOfPage(page);
        QPDFObjectHandle form = FormFor(view.size, error);
        if (form.isNull())
            return false;
        QPDFPageObjectHelper helper(page);
        // Pages often share one resource dictionary, and pages of other sizes need another
        // form under the same name: each stamped page gets resources of its own.
        QPDFObjectHandle resources = helper.getAttribute("/Resources", false);
        resources =
            resources.isDictionary() ? resources.shallowCopy() : QPDFObjectHandle::newDictionary();
        QPDFObjectHandle xobjects = resources.getKey("/XObject");
        xobjects =
            xobjects.isDictionary() ? xobjects.shallowCopy() : QPDFObjectHandle::newDictionary();
        int suffix = 1;
        const std::string name = resources.getUniqueResourceName("/QuireWm", suffix);
        xobjects.replaceKey(name, form);
        resources.replaceKey("/XObject", xobjects);
        page.replaceKey("/Resources", resources);

        const std::string draw = "q " + MatrixOperands(view.to_page) + "cm " + name + " Do Q\n";
        if (background_) {
            helper.addPageContents(StreamOf(draw), true);
        } else {
            // The page's own content may leave its graphics state changed; the watermark
            // starts from the state the page started with.
            helper.addPageContents(StreamOf("q\n"), true);
            helper.addPageContents(StreamOf("\nQ\n" + draw), false);
        }
        return true;
    } catch (const std::exception& exception) {
        *error = std::string("cannot add the watermark to a page: ") + exception.what();
        return false;
    }
}

QPDFObjectHandle WatermarkStamper::FormFor(MarkSize size, std::string* error) {
    const auto key =
        std::make_pair(std::llround(size.width * 100), std::llround(size.height * 100));
    const auto known = forms_.find(key);
    if (known != forms_.end())
        return known->second;
    auto drawing = std::make_unique<Drawing>();
    if (!artwork_.DrawPage(size, &drawing->pdf, error))
        return QPDFObjectHandle::newNull();
    drawing->document.setSuppressWarnings(true);
    drawing->document.processMemoryFile("watermark", drawing->pdf.data(), drawing->pdf.size());
    QPDFObjectHandle drawn =
        QPDFPageObjectHelper(drawing->document.getAllPages().at(0)).getFormXObjectForPage(false);
    QPDFObjectHandle form = target_.copyForeignObject(drawn);
    drawings_.push_back(std::move(drawing));
    forms_.emplace(key, form);
    return form;
}

QPDFObjectHandle WatermarkStamper::StreamOf(const std::string& operators) {
    const auto known = streams_.find(operators);
    if (known != streams_.end())
        return known->second;
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&target_, operators);
    streams_.emplace(operators, stream);
    return stream;
}

}  // namespace convcore
