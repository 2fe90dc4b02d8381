#include "cli/PdfToDocumentJobs.h"

#include <algorithm>

#include "composite/DocumentJoin.h"
#include "composite/KComplexPdfToDocument.h"
#include "composite/OutputNames.h"
#include "platform/Format.h"

namespace cli {
namespace {

// The formats each window offers, the first being its default.
OptionReader::Choices FormatsOf(int function_code) {
    switch (function_code) {
        case 11:
            return {{"docx", 2}, {"doc", 1}};
        case 12:
            return {{"xlsx", 4}, {"xls", 3}};
        case 13:
            return {{"pptx", 5}};
        default:
            return {{"txt", 6}};
    }
}

std::string ExtensionOf(int format_code) {
    constexpr const char* kExtensions[] = {"", ".doc", ".docx", ".xls", ".xlsx", ".pptx", ".txt"};
    return kExtensions[std::clamp(format_code, 1, 6)];
}

}  // namespace

PdfToDocumentJobs::PdfToDocumentJobs(const CliFunction& function) : function_(function) {}

void PdfToDocumentJobs::Configure(OptionReader& options) {
    const OptionReader::Choices formats = FormatsOf(function_.function_code);
    extension_ = ExtensionOf(options.Choice("format", formats, formats.front().second));
    pages_.Configure(options);
    precise_ = options.Has("precise");
    split_large_ = options.Has("split-large");
}

std::string PdfToDocumentJobs::ConsentProblem(const SourceFile& file, PlanContext& context) const {
    const bool image_only = file.facts.image_only == 1;
    if (IsText() || !(precise_ || image_only) ||
        context.consent.Granted(image_only ? "扫描件转换" : ""))
        return {};
    return UploadConsent::Refusal(image_only ? "扫描件转换" : "");
}

std::unique_ptr<PlannedJob> PdfToDocumentJobs::PlanFile(const SourceFile& file,
                                                        PlanContext& context) {
    if (std::string problem = ConsentProblem(file, context); !problem.empty())
        return Refuse(file, std::move(problem));
    auto job = std::make_unique<PlannedJob>(file.label);
    const page_text::Range range = pages_.For(file.PageCount());
    const bool long_range = range.last - range.first + 1 >= kLongRange;
    if (long_range && !split_large_) {
        job->notes.push_back(platform::Format(
            "\"%s\"超出%d页，转换等待时间较长或出现转换失败。建议拆分后再转换。 (converting "
            "it whole; --split-large converts it in parts)",
            file.ShortName(18), kLongRange));
    }

    KComplexPdfToDocument::Params params;
    params.source = file.path;
    params.image_pdf = file.facts.image_only == 1;
    params.prefer_online = precise_ || file.facts.unreadable == 1;
    params.cut_first = file.facts.encrypted == 1;
    params.local_only = IsText();
    params.first_page = range.first;
    params.last_page = range.last;
    const auto folder = context.place.FolderFor(file.path);
    const std::string whole = file.Title() + extension_;
    if (long_range && split_large_ && document_join::CanJoin(whole)) {
        // The parts stay in the task's private folder and come back as one document.
        params.split = true;
        params.join_parts = true;
        params.target = context.place.ClaimFile(folder, whole).string();
        job->target_files.push_back(params.target);
    } else if (long_range && split_large_) {
        const auto parts = context.place.MakeFolder(folder, file.Title());
        if (!parts)
            return Refuse(file, "cannot create a folder for the parts in " + folder.string());
        job->made_folders.push_back(*parts);
        params.split = true;
        params.parts_folder = parts->string();
        params.target = output_names::RangeFile(*parts, file.Title(), range.first,
                                                std::min(range.last, range.first + kPartPages - 1),
                                                extension_.substr(1));
    } else {
        params.target = context.place.ClaimFile(folder, whole).string();
        job->target_files.push_back(params.target);
    }
    job->result = params.target;

    auto* task = new KComplexPdfToDocument(params, &job->sink, context.services);
    task->SetPageCount(file.PageCount());
    task->AddPages(range.first, range.last);
    task->SetPassword(context.password);
    job->task = task;
    return job;
}

}  // namespace cli
