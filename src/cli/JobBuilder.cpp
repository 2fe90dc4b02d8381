#include "cli/JobBuilder.h"

#include "app/ConfigKeys.h"
#include "cli/CompressJobs.h"
#include "cli/DocumentToPdfJobs.h"
#include "cli/EncryptJobs.h"
#include "cli/ExtractImagesJobs.h"
#include "cli/HtmlToPdfJobs.h"
#include "cli/ImageCompressJobs.h"
#include "cli/ImageConvertJobs.h"
#include "cli/ImageResizeJobs.h"
#include "cli/ImageToPdfJobs.h"
#include "cli/MergeJobs.h"
#include "cli/OnlineJobs.h"
#include "cli/PageImageJobs.h"
#include "cli/PdfToDocumentJobs.h"
#include "cli/PickPagesJobs.h"
#include "cli/RedrawPdfJobs.h"
#include "cli/SplitJobs.h"
#include "cli/WatermarkJobs.h"

namespace cli {

std::string JobBuilder::CheckFiles(const std::vector<std::string>&) const {
    return {};
}

bool JobBuilder::NeedsFacts(const std::string&) const {
    return true;
}

std::unique_ptr<PlannedJob> JobBuilder::Refuse(const SourceFile& file, std::string reason) {
    auto job = std::make_unique<PlannedJob>(file.label);
    job->refusal = std::move(reason);
    return job;
}

std::unique_ptr<JobBuilder> MakeJobBuilder(const CliFunction& function) {
    switch (function.family) {
        case Family::kPdfToDocument:
            return std::make_unique<PdfToDocumentJobs>(function);
        case Family::kPageImages:
            return std::make_unique<PageImageJobs>(config::ReadPdfCoreSettings().memoctrl);
        case Family::kRedrawPdf:
            return std::make_unique<RedrawPdfJobs>(function.name == "pdf-to-curve");
        case Family::kPdfToCad:
        case Family::kCadToPdf:
        case Family::kImageToWord:
            return std::make_unique<OnlineJobs>(function.family);
        case Family::kDocumentToPdf:
            return std::make_unique<DocumentToPdfJobs>();
        case Family::kImageToPdf:
            return std::make_unique<ImageToPdfJobs>();
        case Family::kHtmlToPdf:
            return std::make_unique<HtmlToPdfJobs>();
        case Family::kSplit:
            return std::make_unique<SplitJobs>();
        case Family::kMerge:
            return std::make_unique<MergeJobs>();
        case Family::kEncrypt:
            return std::make_unique<EncryptJobs>();
        case Family::kPickPages:
            return std::make_unique<PickPagesJobs>(function.name == "delete-pages");
        case Family::kExtractImages:
            return std::make_unique<ExtractImagesJobs>();
        case Family::kWatermark:
            return std::make_unique<WatermarkJobs>();
        case Family::kCompress:
            return std::make_unique<CompressJobs>();
        case Family::kImageResize:
            return std::make_unique<ImageResizeJobs>();
        case Family::kImageCompress:
            return std::make_unique<ImageCompressJobs>();
        case Family::kImageConvert:
            return std::make_unique<ImageConvertJobs>();
        case Family::kInfo:
            break;
    }
    return nullptr;
}

}  // namespace cli
