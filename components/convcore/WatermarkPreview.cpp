#include "convcore/WatermarkPreview.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>

#include "convcore/RenderDocument.h"
#include "quire-mupdf/MupdfContext.h"

namespace convcore {
namespace {

// A one-page preview is small; this is plenty even for a page full of pictures.
constexpr std::size_t kPreviewMemory = std::size_t{256} << 20;
constexpr int kLargestPreviewSide = 8192;

// The page attributes a page may take from the page tree above it.
constexpr const char* kInheritedKeys[] = {"/Resources", "/MediaBox", "/CropBox", "/Rotate"};
// What readers need to draw an annotation; the rest ties it to fields, pages and actions.
constexpr const char* kAnnotationDrawingKeys[] = {
    "/Type", "/Subtype", "/Rect",    "/AP",       "/AS", "/F",   "/C",
    "/IC",   "/BS",      "/Border",  "/BE",       "/CA", "/ca",  "/QuadPoints",
    "/L",    "/LE",      "/InkList", "/Vertices", "/RD", "/Name"};

QPDFObjectHandle DrawingPartOf(QPDFObjectHandle annotations) {
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (QPDFObjectHandle annotation : annotations.aitems()) {
        if (!annotation.isDictionary())
            continue;
        QPDFObjectHandle drawing = QPDFObjectHandle::newDictionary();
        for (const char* key : kAnnotationDrawingKeys) {
            if (annotation.hasKey(key))
                drawing.replaceKey(key, annotation.getKey(key));
        }
        kept.appendItem(drawing);
    }
    return kept;
}

using StreamHandle = FzHandle<fz_stream, fz_drop_stream>;
using DocumentHandle = FzHandle<fz_document, fz_drop_document>;

}  // namespace

std::unique_ptr<QPDF> CopyPageAlone(SourcePdf& source, int index, std::string* error) {
    try {
        QPDFPageObjectHelper original(source.pages.at(static_cast<std::size_t>(index)));
        QPDFObjectHandle page =
            source.pdf->makeIndirectObject(original.getObjectHandle().shallowCopy());
        for (const char* key : kInheritedKeys) {
            QPDFObjectHandle value = original.getAttribute(key, false);
            if (!value.isNull())
                page.replaceKey(key, value);
        }
        // The copy gets a page tree of its own; following the old one would copy every page.
        page.removeKey("/Parent");
        page.removeKey("/B");
        page.removeKey("/AA");
        QPDFObjectHandle annotations = page.getKey("/Annots");
        if (annotations.isArray())
            page.replaceKey("/Annots", DrawingPartOf(annotations));
        else
            page.removeKey("/Annots");
        auto alone = std::make_unique<QPDF>();
        alone->setSuppressWarnings(true);
        alone->emptyPDF();
        QPDFPageDocumentHelper(*alone).addPage(QPDFPageObjectHelper(page), false);
        return alone;
    } catch (const std::exception& exception) {
        *error = std::string("cannot read the page: ") + exception.what();
        return nullptr;
    }
}

bool DrawFirstPageAsPng(std::string_view pdf, int width, const std::filesystem::path& png,
                        std::string* error) {
    const auto mupdf = quiremupdf::MupdfContext::Create(kPreviewMemory);
    if (mupdf == nullptr) {
        *error = "the PDF engine cannot start";
        return false;
    }
    fz_context* context = mupdf->Get();
    StreamHandle stream(context);
    DocumentHandle document(context);
    PageHandle page(context);
    PixmapHandle pixmap(context);
    DeviceHandle device(context);
    std::string reason;
    const bool drawn = CatchMupdf(
        context,
        [&] {
            stream.Slot() = fz_open_memory(
                context, reinterpret_cast<const unsigned char*>(pdf.data()), pdf.size());
            document.Slot() = &pdf_open_document_with_stream(context, stream.Get())->super;
            page.Slot() = fz_load_page(context, document.Get(), 0);
            const fz_rect bounds = fz_bound_page(context, page.Get());
            const float scale = static_cast<float>(width) / (bounds.x1 - bounds.x0);
            const int height =
                std::clamp(static_cast<int>(std::lround((bounds.y1 - bounds.y0) * scale)), 1,
                           kLargestPreviewSide);
            pixmap.Slot() =
                fz_new_pixmap(context, fz_device_rgb(context), width, height, nullptr, 0);
            fz_clear_pixmap_with_value(context, pixmap.Get(), 255);
            const fz_matrix view =
                fz_concat(fz_translate(-bounds.x0, -bounds.y0), fz_scale(scale, scale));
            device.Slot() = fz_new_draw_device(context, view, pixmap.Get());
            fz_run_page(context, page.Get(), device.Get(), fz_identity, nullptr);
            fz_close_device(context, device.Get());
        },
        &reason);
    if (!drawn) {
        *error = "cannot draw the preview: " + reason;
        return false;
    }
    if (!CatchMupdf(
            context, [&] { fz_save_pixmap_as_png(context, pixmap.Get(), png.c_str()); }, &reason)) {
        *error = "cannot save the preview: " + reason;
        return false;
    }
    return true;
}

}  // namespace convcore
