#include "composite/KComplexTask.h"

#include "app/AsynLog.h"

namespace {

constexpr char kNoTempFolder[] = "no private folder for intermediate files";

}  // namespace

KComplexTask::KComplexTask(quirekit::ICvtUpateProcess* progress, const CompositeServices* services)
    : ICvtTask(progress),
      services_(services ? *services : CompositeServices::ForProgram()),
      runner_(services_, [this](int percent) { ReportProgress(percent); }),
      temp_(services_.temp_root) {}

void KComplexTask::DoWork() {
    if (IsCancelled()) {
        SetResult(0);
        return;
    }
    SetResult(-1);
    const bool succeeded = Work();
    RemoveTempFiles();
    keasy::AsynLog::Instance().Print("KComplexTask::DoWork src:%ws, result:%d, cancel:%d",
                                     GetSourcePath(), succeeded ? 1 : 0, IsCancelled());
    SetResult(succeeded ? 1 : 0);
}

OperationContext KComplexTask::NewContext(int index, int count) {
    OperationContext context;
    context.step_index = index;
    context.step_count = count;
    context.task = this;
    return context;
}

OperationContext KComplexTask::TaskContext() {
    OperationContext context = NewContext();
    context.password = Password();
    context.pages = SelectedPages();
    return context;
}

bool KComplexTask::Step(OperationContext& context, OperationRequest request, ErrorMerge merge) {
    const bool succeeded = runner_.Run(context, std::move(request));
    MergeError(context.error_message, merge);
    return succeeded;
}

bool KComplexTask::OnlineStep(OperationContext& context, const OnlineRequest& request,
                              ErrorMerge merge) {
    const bool succeeded = runner_.RunOnline(context, request);
    MergeError(context.error_message, merge);
    SetErrorCode(context.error_code);
    return succeeded;
}

bool KComplexTask::FinalOnlineStep(OperationContext& context, const OnlineRequest& request) {
    return CanGoOnline(ErrorMerge::kReplace) && OnlineStep(context, request, ErrorMerge::kReplace);
}

bool KComplexTask::QueryFacts(OperationContext& context, const std::string& path,
                              FileFacts* facts) {
    const bool known = runner_.QueryFileInfo(context, path, facts);
    if (!known)
        MergeError(context.error_message.empty() ? "cannot read the page count of " + path
                                                 : context.error_message,
                   ErrorMerge::kAppend);
    return known;
}

void KComplexTask::MergeError(const std::string& text, ErrorMerge merge) {
    if (merge == ErrorMerge::kKeep)
        return;
    if (merge == ErrorMerge::kReplace) {
        SetErrorMsg(text);
        return;
    }
    if (text.empty())
        return;
    const std::string current = GetErrorMsg();
    SetErrorMsg(current.empty() ? text : current + "; " + text);
}

bool KComplexTask::CanGoOnline(ErrorMerge merge) {
    if (!services_.online_allowed || !services_.online_allowed()) {
        MergeError(kOnlineNotAllowed, merge);
        return false;
    }
    if (!services_.online) {
        MergeError(kOnlineNotSetUp, merge);
        return false;
    }
    return true;
}

std::string KComplexTask::DecryptToTemp(OperationContext& context, const std::string& input) {
    std::string output = IntermediateStep(context, OperationKind::kDecrypt, input);
    if (!output.empty())
        context.password.clear();
    return output;
}

std::string KComplexTask::PickupToTemp(OperationContext& context, const std::string& input) {
    return IntermediateStep(context, OperationKind::kPickupPages, input);
}

std::string KComplexTask::IntermediateStep(OperationContext& context, OperationKind kind,
                                           const std::string& input) {
    const std::string output = TempPdfPath(input);
    if (output.empty())
        return {};
    OperationRequest request;
    request.kind = kind;
    request.source = input;
    request.target = output;
    if (!Step(context, request, ErrorMerge::kAppend))
        return {};
    TaskTempFolder::Restrict(output);
    return output;
}

std::string KComplexTask::TempPdfPath(const std::string& source) {
    const auto folder = temp_.Folder();
    if (!folder) {
        MergeError(kNoTempFolder, ErrorMerge::kAppend);
        return {};
    }
    return MakeTempPdfPath(folder->string() + "/", source);
}

std::optional<std::filesystem::path> KComplexTask::TempFolder() {
    const auto folder = temp_.Folder();
    if (!folder)
        MergeError(kNoTempFolder, ErrorMerge::kAppend);
    return folder;
}
