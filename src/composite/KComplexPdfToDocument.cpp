#include "composite/KComplexPdfToDocument.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "app/AsynLog.h"
#include "composite/DocumentJoin.h"
#include "composite/OutputNames.h"
#include "keasy/LambdaFunc.h"
#include "keasy/ThreadPool.h"
#include "tasks/TaskResultSignal.h"

namespace {

constexpr char kNoPartWorkers[] = "cannot start the workers for the parts";
constexpr char kJoinFailed[] = "cannot join the parts into one document: ";

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

}  // namespace

KComplexPdfToDocument::KComplexPdfToDocument(Params params, quirekit::ICvtUpateProcess* progress,
                                             const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

KComplexPdfToDocument::~KComplexPdfToDocument() {
    ReleaseParts();
}

std::string KComplexPdfToDocument::GetTargetPath() {
    std::lock_guard guard(first_part_mutex_);
    return first_part_target_.empty() ? params_.target : first_part_target_;
}

bool KComplexPdfToDocument::Work() {
    return params_.split ? ConvertInParts() : ConvertSingle();
}

bool KComplexPdfToDocument::ConvertSingle() {
    if (IsCancelled())
        return false;
    if (params_.cut_first && GetPageCount() <= 0) {
        Log().Print("KComplexPdfToDocument::ConvertSingle encrypted without page count, src:%ws",
                    params_.source);
        return false;
    }
    OperationContext context = NewContext();
    context.password = Password();
    context.pages = SelectedPages();
    if (params_.local_only || !params_.prefer_online) {
        SetValue("bLocal", 1);
        OperationRequest request;
        request.kind = OperationKind::kPdfToDocument;
        request.source = params_.source;
        request.target = params_.target;
        if (Step(context, request, ErrorMerge::kReplace))
            return true;
        if (params_.local_only)
            return false;
        ResetPhaseTime();
        SetValue("bLocal", 0);
    }
    if (IsCancelled())
        return false;
    if (!CanGoOnline(ErrorMerge::kAppend))
        return false;
    return ConvertOnline(context);
}

bool KComplexPdfToDocument::ConvertOnline(OperationContext& context) {
    std::string input = params_.source;
    if (!context.password.empty()) {
        input = DecryptToTemp(context, input);
        if (input.empty())
            return false;
    }
    const int page_count = GetPageCount();
    const int selected = GetSelectedPageCount();
    int upload_pages = page_count;
    if (page_count > 0 && (params_.cut_first || (selected > 0 && selected < page_count))) {
        if (context.pages.empty()) {
            for (int page = 1; page <= page_count; ++page)
                context.pages.push_back(page);
        }
        input = PickupToTemp(context, input);
        if (input.empty())
            return false;
        upload_pages = static_cast<int>(context.pages.size());
    }
    OnlineRequest request;
    request.kind = OnlineKind::kPdfToDocument;
    request.source = input;
    request.target = params_.target;
    request.page_count = upload_pages;
    request.image_only = params_.image_pdf;
    return OnlineStep(context, request, ErrorMerge::kAppend);
}

bool KComplexPdfToDocument::ConvertInParts() {
    if (!params_.prefer_online)
        SetValue("bLocal", 1);
    const auto folder = TempFolder();
    if (!folder)
        return false;
    bool cut = true;
    for (int first = params_.first_page; cut && first <= params_.last_page && !IsCancelled();
         first += kPartPages)
        cut = CutPart(*folder, first, std::min(first + kPartPages - 1, params_.last_page));
    // Converting only the parts that could be cut would hand the user a document with pages
    // silently missing.
    if (!cut || IsCancelled()) {
        ReleaseParts();
        return false;
    }
    if (parts_.empty()) {
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    return RunParts();
}

bool KComplexPdfToDocument::CutPart(const std::filesystem::path& folder, int first, int last) {
    const std::string title = output_names::FileTitle(params_.source);
    const std::filesystem::path parts_folder =
        params_.join_parts ? folder : std::filesystem::path(params_.parts_folder);
    const std::string part_file = output_names::RangeFile(folder, title, first, last,
                                                          output_names::Extension(params_.source));
    OperationContext context = NewContext();
    context.password = Password();
    for (int page = first; page <= last; ++page)
        context.pages.push_back(page);
    OperationRequest request;
    request.kind = OperationKind::kPickupPages;
    request.source = params_.source;
    request.target = part_file;
    if (!Step(context, request, ErrorMerge::kAppend))
        return false;
    TaskTempFolder::Restrict(part_file);
    FileFacts facts;
    if (!QueryFacts(context, part_file, &facts))
        return false;

    Params part;
    part.source = part_file;
    part.target = output_names::RangeFile(parts_folder, title, first, last,
                                          output_names::Extension(params_.target));
    part.image_pdf = facts.image_only == 1;
    part.cut_first = facts.unreadable == 1;
    part.prefer_online = params_.prefer_online;
    part.local_only = params_.local_only;
    // The cut wrote the part without encryption, so it takes no password.
    auto* task = new KComplexPdfToDocument(part, &part_progress_, &Services());
    task->SetPageCount(facts.page_count);
    task->AddPages(1, facts.page_count);
    if (parts_.empty() && !params_.join_parts) {
        std::lock_guard guard(first_part_mutex_);
        first_part_target_ = part.target;
    }
    parts_.push_back(task);
    return true;
}

bool KComplexPdfToDocument::RunParts() {
    bool succeeded = false;
    {
        keasy::ThreadPool pool(kPartWorkers);
        if (!pool.Start()) {
            MergeError(kNoPartWorkers, ErrorMerge::kAppend);
            ReleaseParts();
            return false;
        }
        for (KComplexPdfToDocument* part : parts_) {
            part->SetResult(-1);
            pool.Post(keasy::FuncOf([part] { part->RunAsPart(); }));
        }
        for (;;) {
            const std::uint64_t seen = TaskResultSignal().Generation();
            if (IsCancelled()) {
                for (KComplexPdfToDocument* part : parts_)
                    part->Cancel();
                break;
            }
            const bool finished = std::none_of(parts_.begin(), parts_.end(),
                                               [](auto* part) { return part->GetResult() < 0; });
            if (finished) {
                succeeded = std::all_of(parts_.begin(), parts_.end(),
                                        [](auto* part) { return part->GetResult() == 1; });
                break;
            }
            TaskResultSignal().WaitFor(seen, Services().parts_poll);
        }
        // Cancelled parts stop within one poll of their job.
        pool.WaitIdle();
    }
    std::vector<std::string> part_targets;
    for (KComplexPdfToDocument* part : parts_) {
        if (part->GetResult() != 1)
            MergeError(part->GetErrorMsg(), ErrorMerge::kAppend);
        part_targets.push_back(part->GetTargetPath());
    }
    ReleaseParts();
    if (!succeeded || !params_.join_parts)
        return succeeded;
    return JoinParts(part_targets);
}

bool KComplexPdfToDocument::JoinParts(const std::vector<std::string>& part_targets) {
    const std::filesystem::path target = params_.target;
    // Written beside the target under a hidden name, so the user's name only ever holds a whole
    // document; the name keeps the extension, which tells the kind of document.
    const std::filesystem::path work =
        target.parent_path() /
        ("." + target.stem().string() + ".joining" + target.extension().string());
    const std::vector<std::filesystem::path> parts(part_targets.begin(), part_targets.end());
    std::string error;
    std::error_code failure;
    if (document_join::JoinDocuments(parts, work, &error))
        std::filesystem::rename(work, target, failure);
    else
        failure = std::make_error_code(std::errc::io_error);
    if (!failure)
        return true;
    std::filesystem::remove(work, failure);
    MergeError(
        std::string(kJoinFailed) + (error.empty() ? "cannot write " + target.string() : error),
        ErrorMerge::kAppend);
    return false;
}

void KComplexPdfToDocument::RunAsPart() {
    const bool succeeded = ConvertSingle();
    RemoveTempFiles();
    SetResult(succeeded ? 1 : 0);
}

void KComplexPdfToDocument::ReleaseParts() {
    for (KComplexPdfToDocument* part : parts_)
        part->Release();
    parts_.clear();
}
