#include "cli/OnlineJobs.h"

#include "composite/KComplexCadToPdf.h"
#include "composite/KComplexImageToWord.h"
#include "composite/KComplexPdfToCad.h"

namespace cli {

void OnlineJobs::Configure(OptionReader& options) {
    if (family_ == Family::kPdfToCad) {
        extension_ = options.Choice("format", {{"dwg", 0}, {"dxf", 1}}, 0) == 0 ? ".dwg" : ".dxf";
        pages_.Configure(options);
    } else if (family_ == Family::kCadToPdf) {
        extension_ = ".pdf";
        background_ = options.Choice("background", {{"white", 1}, {"black", 0}}, 1);
    } else {
        extension_ = ".doc";
    }
}

bool OnlineJobs::NeedsFacts(const std::string&) const {
    return family_ == Family::kPdfToCad;
}

std::string_view OnlineJobs::ConsentPrefix() const {
    switch (family_) {
        case Family::kCadToPdf:
            return "CAD转换";
        case Family::kImageToWord:
            return "OCR图文识别";
        default:
            return "";
    }
}

std::unique_ptr<PlannedJob> OnlineJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    if (!context.consent.Granted(ConsentPrefix()))
        return Refuse(file, UploadConsent::Refusal(ConsentPrefix()));
    auto job = FileJob(file, context, file.Title() + extension_);
    job->task = MakeTask(file, job->result, context, *job);
    return job;
}

ICvtTask* OnlineJobs::MakeTask(const SourceFile& file, const std::string& target,
                               PlanContext& context, PlannedJob& job) const {
    if (family_ == Family::kCadToPdf)
        return new KComplexCadToPdf({file.path, target, background_}, &job.sink, context.services);
    if (family_ == Family::kImageToWord)
        return new KComplexImageToWord({file.path, target}, &job.sink, context.services);
    auto* task = new KComplexPdfToCad({file.path, target, file.facts.encrypted == 1}, &job.sink,
                                      context.services);
    const page_text::Range range = pages_.For(file.PageCount());
    task->SetPageCount(file.PageCount());
    task->AddPages(range.first, range.last);
    task->SetPassword(context.password);
    return task;
}

}  // namespace cli
