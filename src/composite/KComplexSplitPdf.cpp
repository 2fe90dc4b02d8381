#include "composite/KComplexSplitPdf.h"

#include "app/AsynLog.h"
#include "composite/OutputNames.h"

namespace fs = std::filesystem;

namespace {

constexpr char kDesktopFolderSuffix[] = "_拆分";
constexpr char kNoDesktopFolder[] = "cannot create a folder on the desktop";

}  // namespace

KComplexSplitPdf::KComplexSplitPdf(Params params, quirekit::ICvtUpateProcess* progress,
                                   const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

std::string KComplexSplitPdf::GetTargetPath() {
    std::lock_guard guard(first_output_mutex_);
    return first_output_;
}

bool KComplexSplitPdf::Work() {
    if (params_.ranges.empty()) {
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    OperationContext context = NewContext();
    context.password = Password();
    if (Split(context, params_.output_folder))
        return true;
    if (IsCancelled())
        return false;
    const std::string error = context.error_message;
    if (error.empty())
        return SplitRangeByRange(context, params_.output_folder);
    if (output_names::IsUnusableOutputPlace(error))
        return SplitOnDesktop(context);
    return false;
}

bool KComplexSplitPdf::Split(OperationContext& context, const fs::path& folder) {
    {
        std::lock_guard guard(first_output_mutex_);
        first_output_ = PartFile(folder, params_.ranges.front());
    }
    OperationRequest request;
    request.kind = OperationKind::kSplit;
    request.source = params_.source;
    request.target = folder.string();
    request.ranges = params_.ranges;
    return Step(context, request, ErrorMerge::kAppend);
}

bool KComplexSplitPdf::SplitRangeByRange(OperationContext& context, const fs::path& folder) {
    keasy::AsynLog::Instance().Print("KComplexSplitPdf::SplitRangeByRange src:%ws", params_.source);
    for (const KPdfOperate::PageRange& range : params_.ranges) {
        if (IsCancelled())
            return false;
        context.pages.clear();
        for (int page = range.start; page <= range.end; ++page)
            context.pages.push_back(page);
        OperationRequest request;
        request.kind = OperationKind::kPickupPages;
        request.source = params_.source;
        request.target = PartFile(folder, range);
        if (!Step(context, request, ErrorMerge::kAppend))
            return false;
    }
    return true;
}

bool KComplexSplitPdf::SplitOnDesktop(OperationContext& context) {
    const auto folder = Services().desktop
                            ? output_names::MakeUniqueFolder(
                                  Services().desktop(),
                                  output_names::FileTitle(params_.source) + kDesktopFolderSuffix)
                            : std::nullopt;
    if (!folder) {
        MergeError(kNoDesktopFolder, ErrorMerge::kAppend);
        return false;
    }
    keasy::AsynLog::Instance().Print("KComplexSplitPdf::SplitOnDesktop folder:%ws",
                                     folder->string());
    SetErrorMsg("");
    return Split(context, *folder);
}

std::string KComplexSplitPdf::PartFile(const fs::path& folder,
                                       const KPdfOperate::PageRange& range) const {
    return output_names::RangeFile(folder, output_names::FileTitle(params_.source), range.start,
                                   range.end, "pdf");
}
