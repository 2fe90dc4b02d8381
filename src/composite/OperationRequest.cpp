#include "composite/OperationRequest.h"

const char* OperationName(OperationKind kind) {
    switch (kind) {
        case OperationKind::kPdfToDocument:
            return "pdf_to_document";
        case OperationKind::kPdfToImages:
            return "pdf_to_images";
        case OperationKind::kPdfToImagePdf:
            return "pdf_to_img_pdf";
        case OperationKind::kPdfToCurve:
            return "pdf_to_curve";
        case OperationKind::kDocumentToPdf:
            return "document_to_pdf";
        case OperationKind::kImagesToPdf:
            return "jpg_to_pdf";
        case OperationKind::kSplit:
            return "new_split_pdf";
        case OperationKind::kMerge:
            return "new_merge_pdf";
        case OperationKind::kPickupPages:
            return "pdf_pickup_pages";
        case OperationKind::kDeletePages:
            return "pdf_delete_pages";
        case OperationKind::kEncrypt:
            return "pdf_encrypt";
        case OperationKind::kDecrypt:
            return "pdf_decrypt";
        case OperationKind::kAddWatermark:
            return "pdf_add_watermark";
        case OperationKind::kExtractImages:
            return "pdf_extract_images";
        case OperationKind::kMergeFiles:
            return "pdf_merge";
        case OperationKind::kCompress:
            return "pdf_compress";
        case OperationKind::kImageResize:
            return "image_resize";
        case OperationKind::kImageCompress:
            return "image_compress";
        case OperationKind::kImageReformat:
            return "image_reformat";
    }
    return "unknown";
}
