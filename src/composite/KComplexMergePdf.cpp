#include "composite/KComplexMergePdf.h"

#include "app/AsynLog.h"
#include "composite/OutputNames.h"

namespace {

constexpr char kDesktopFileName[] = "合并PDF.pdf";
constexpr char kNoInputs[] = "no files to merge";
constexpr char kNoDesktop[] = "no desktop folder to write to";

}  // namespace

KComplexMergePdf::KComplexMergePdf(Params params, quirekit::ICvtUpateProcess* progress,
                                   const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)), target_(params_.target) {}

std::string KComplexMergePdf::GetSourcePath() {
    return params_.inputs.empty() ? std::string() : params_.inputs.front().file_path;
}

std::string KComplexMergePdf::GetTargetPath() {
    std::lock_guard guard(target_mutex_);
    return target_;
}

bool KComplexMergePdf::Work() {
    if (params_.inputs.empty()) {
        MergeError(kNoInputs, ErrorMerge::kAppend);
        return false;
    }
    OperationContext context = NewContext();
    if (Merge(context, params_.target))
        return true;
    if (IsCancelled())
        return false;
    const std::string error = context.error_message;
    if (error.empty())
        return MergeEntryByEntry(context);
    if (output_names::IsUnusableOutputPlace(error))
        return MergeOnDesktop(context);
    return false;
}

bool KComplexMergePdf::Merge(OperationContext& context, const std::string& target) {
    OperationRequest request;
    request.kind = OperationKind::kMerge;
    request.target = target;
    request.merge_sources = params_.inputs;
    return Step(context, request, ErrorMerge::kAppend);
}

bool KComplexMergePdf::MergeEntryByEntry(OperationContext& context) {
    keasy::AsynLog::Instance().Print("KComplexMergePdf::MergeEntryByEntry files:%d",
                                     static_cast<int>(params_.inputs.size()));
    OperationRequest request;
    request.kind = OperationKind::kMergeFiles;
    request.target = params_.target;
    for (const KPdfOperate::MergeSource& input : params_.inputs) {
        if (IsCancelled())
            return false;
        context.password = input.password;
        context.pages.clear();
        for (int page = input.start; page >= 1 && page <= input.end; ++page)
            context.pages.push_back(page);
        // An entry without a range is taken whole: decrypting writes all its pages without a
        // password, as the older merge wants them.
        const std::string part = context.pages.empty() ? DecryptToTemp(context, input.file_path)
                                                       : PickupToTemp(context, input.file_path);
        if (part.empty())
            return false;
        request.files.push_back(part);
    }
    context.password.clear();
    context.pages.clear();
    return Step(context, request, ErrorMerge::kAppend);
}

bool KComplexMergePdf::MergeOnDesktop(OperationContext& context) {
    if (!Services().desktop) {
        MergeError(kNoDesktop, ErrorMerge::kAppend);
        return false;
    }
    const std::filesystem::path desktop = Services().desktop();
    std::error_code ignored;
    std::filesystem::create_directories(desktop, ignored);
    const std::string target = output_names::UniqueFileName(desktop, kDesktopFileName).string();
    {
        std::lock_guard guard(target_mutex_);
        target_ = target;
    }
    keasy::AsynLog::Instance().Print("KComplexMergePdf::MergeOnDesktop target:%ws", target);
    SetErrorMsg("");
    return Merge(context, target);
}
