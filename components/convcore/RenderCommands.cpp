#include "convcore/RenderCommands.h"

#include "convcore/RenderImageExtract.h"
#include "convcore/RenderImagePdf.h"
#include "convcore/RenderPageImages.h"
#include "convcore/RenderText.h"

namespace convcore {
namespace {

CommandHandler PageImagesAs(ImageFormat format) {
    return [format](const Json::Value& record, TaskContext& context) {
        return ConvertPagesToImages(record, format, context);
    };
}

}  // namespace

void RegisterRenderCommands(CommandDispatcher& dispatcher) {
    dispatcher.Register("pdf_to_jpg", PageImagesAs(ImageFormat::kJpeg));
    dispatcher.Register("pdf_to_png", PageImagesAs(ImageFormat::kPng));
    dispatcher.Register("pdf_to_bmp", PageImagesAs(ImageFormat::kBmp));
    dispatcher.Register("pdf_to_txt", ConvertPdfToText);
    dispatcher.Register("pdf_to_html", ConvertPdfToHtml);
    dispatcher.Register("pdf_to_img_pdf", ConvertPdfToImagePdf);
    dispatcher.Register("pdf_extract_images", ExtractPdfImages);
}

}  // namespace convcore
