#include "composite/CoreOperationBackend.h"

#include "app/AsynLog.h"
#include "core/FileTypeCodes.h"
#include "core/KImgOperate.h"
#include "core/KOthersToPdf.h"
#include "core/KPdfOperate.h"
#include "core/KPdfToImages.h"
#include "core/KPdfToOthers.h"

namespace {

// Operation classes hide GetResult, GetProgress and Cancel rather than override them (the
// page-image job adds its own merge), so the wrapper must know the concrete type.
template <typename Operation>
class OperationJob : public IOperationJob {
public:
    explicit OperationJob(std::unique_ptr<Operation> operation)
        : operation_(std::move(operation)) {}

    int Result() override { return operation_->GetResult(); }
    int Progress() override { return operation_->GetProgress(); }
    std::string Error() override { return operation_->GetError(); }
    void Cancel() override { operation_->Cancel(); }

private:
    std::unique_ptr<Operation> operation_;
};

template <typename Operation>
std::unique_ptr<Operation> Prepare(KPdfCoreManager* manager, const OperationRequest& request) {
    auto operation = std::make_unique<Operation>(manager);
    operation->SetPassword(request.password);
    for (int page : request.pages)
        operation->AddPage(page);
    return operation;
}

template <typename Operation>
std::unique_ptr<IOperationJob> JobIf(bool submitted, std::unique_ptr<Operation> operation) {
    if (!submitted)
        return nullptr;
    return std::make_unique<OperationJob<Operation>>(std::move(operation));
}

std::unique_ptr<IOperationJob> SubmitPageTool(KPdfCoreManager* manager, const OperationRequest& r) {
    auto op = Prepare<KPdfOperate>(manager, r);
    bool submitted = false;
    switch (r.kind) {
        case OperationKind::kSplit:
            submitted = op->SplitPdf(r.source, r.target, r.ranges);
            break;
        case OperationKind::kMerge:
            submitted = op->MergePdf(r.target, r.merge_sources);
            break;
        case OperationKind::kPickupPages:
            submitted = op->PickupPages(r.source, r.target);
            break;
        case OperationKind::kDeletePages:
            submitted = op->DeletePages(r.source, r.target);
            break;
        case OperationKind::kEncrypt:
            submitted = op->EncryptPdf(r.source, r.target);
            break;
        case OperationKind::kDecrypt:
            submitted = op->DecryptPdf(r.source, r.target);
            break;
        case OperationKind::kAddWatermark:
            submitted = op->AddWatermark(r.source, r.target, r.watermark);
            break;
        case OperationKind::kExtractImages:
            submitted = op->ExtractImages(r.source, r.target);
            break;
        case OperationKind::kMergeFiles:
            submitted = op->MergeFiles(r.target, r.files);
            break;
        case OperationKind::kCompress:
            submitted = op->CompressPdf(r.source, r.target, r.compress_type);
            break;
        default:
            break;
    }
    return JobIf(submitted, std::move(op));
}

std::unique_ptr<IOperationJob> SubmitImageTool(KPdfCoreManager* manager,
                                               const OperationRequest& r) {
    auto op = Prepare<KImgOperate>(manager, r);
    bool submitted = false;
    if (r.kind == OperationKind::kImageResize)
        submitted = op->ResizeImage(r.source, r.target, r.width, r.height);
    else if (r.kind == OperationKind::kImageCompress)
        submitted = op->CompressImage(r.source, r.target, r.max_size);
    else
        submitted = op->ReformatImage(r.source, r.target);
    return JobIf(submitted, std::move(op));
}

std::unique_ptr<IOperationJob> SubmitFromPdf(KPdfCoreManager* manager, const OperationRequest& r) {
    auto op = Prepare<KPdfToOthers>(manager, r);
    bool submitted = false;
    if (r.kind == OperationKind::kPdfToImagePdf)
        submitted = op->ToImagePdf(r.source, r.target);
    else if (r.kind == OperationKind::kPdfToCurve)
        submitted = op->ToCurve(r.source, r.target);
    else
        submitted = op->ConvertFromPdf(r.source, r.target, file_types::TargetTypeCode(r.target));
    return JobIf(submitted, std::move(op));
}

std::unique_ptr<IOperationJob> SubmitToPdf(KPdfCoreManager* manager, const OperationRequest& r) {
    auto op = Prepare<KOthersToPdf>(manager, r);
    bool submitted = false;
    if (r.kind == OperationKind::kImagesToPdf)
        submitted = op->ImagesToPdf(r.target, r.files, r.image_pages);
    else
        submitted = op->ConvertToPdf(r.source, r.target, file_types::SourceTypeCode(r.source));
    return JobIf(submitted, std::move(op));
}

std::unique_ptr<IOperationJob> SubmitPageImages(KPdfCoreManager* manager,
                                                const OperationRequest& r) {
    auto op = Prepare<KPdfToImages>(manager, r);
    const PageImageOptions& o = r.page_images;
    const bool submitted =
        op->ConvertToImages(o.image_type, o.merge, r.source, r.target, o.scale, o.pages_per_image);
    return JobIf(submitted, std::move(op));
}

}  // namespace

CoreOperationBackend::CoreOperationBackend(KPdfCoreManager* manager) : manager_(manager) {}

std::unique_ptr<IOperationJob> CoreOperationBackend::Submit(const OperationRequest& request) {
    std::unique_ptr<IOperationJob> job;
    switch (request.kind) {
        case OperationKind::kPdfToDocument:
        case OperationKind::kPdfToImagePdf:
        case OperationKind::kPdfToCurve:
            job = SubmitFromPdf(manager_, request);
            break;
        case OperationKind::kDocumentToPdf:
        case OperationKind::kImagesToPdf:
            job = SubmitToPdf(manager_, request);
            break;
        case OperationKind::kPdfToImages:
            job = SubmitPageImages(manager_, request);
            break;
        case OperationKind::kImageResize:
        case OperationKind::kImageCompress:
        case OperationKind::kImageReformat:
            job = SubmitImageTool(manager_, request);
            break;
        default:
            job = SubmitPageTool(manager_, request);
            break;
    }
    if (!job)
        keasy::AsynLog::Instance().Print("CoreOperationBackend::Submit fail op:%s, src:%ws",
                                         OperationName(request.kind), request.source);
    return job;
}

bool CoreOperationBackend::QueryFileInfo(const std::string& path,
                                         const std::function<bool()>& cancelled, FileFacts* facts,
                                         std::string* error) {
    return ::QueryFileInfo(path, cancelled, facts, error, manager_);
}
