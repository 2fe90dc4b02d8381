#include "cli/MergeJobs.h"

#include "composite/KComplexMergePdf.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace cli {
namespace {

constexpr char kTooFewFiles[] = "请至少选择两个PDF文件进行合并！";
// Characters a file name cannot hold where the windows were made.
constexpr std::string_view kForbiddenCharacters = "\\/:*?\"<>|";

}  // namespace

void MergeJobs::Configure(OptionReader& options) {
    order_ = ReadFileOrder(options);
    name_ = options.Text("name");
    // An empty name box means its hint.
    if (name_.empty())
        name_ = kDefaultName;
    if (platform::CountChars(name_) > kMaxNameChars)
        options.Fail("--name: 文件名不能超过30个字符 (at most 30 characters)");
    else if (name_.find_first_of(kForbiddenCharacters) != std::string::npos)
        options.Fail("--name: 文件名不能包含特殊字符 (none of \\ / : * ? \" < > |)");
}

std::string MergeJobs::CheckFiles(const std::vector<std::string>& files) const {
    return files.size() < 2 ? kTooFewFiles : std::string();
}

std::vector<std::unique_ptr<PlannedJob>> MergeJobs::Plan(const std::vector<SourceFile>& files,
                                                         PlanContext& context) {
    std::vector<std::unique_ptr<PlannedJob>> jobs;
    std::vector<SourceFile> usable;
    for (const SourceFile& file : files) {
        if (std::string problem = file.Unusable(!context.password.empty()); !problem.empty())
            jobs.push_back(Refuse(file, std::move(problem)));
        else
            usable.push_back(file);
    }
    SortFiles(usable, order_);
    if (usable.size() < 2) {
        SourceFile all{platform::Format("%d files", static_cast<int>(files.size())), {}, {}};
        jobs.push_back(Refuse(all, kTooFewFiles));
        return jobs;
    }
    auto job = std::make_unique<PlannedJob>(platform::Format("%s (+%d more)", usable.front().label,
                                                             static_cast<int>(usable.size()) - 1));
    KComplexMergePdf::Params params;
    for (const SourceFile& file : usable)
        params.inputs.push_back({1, file.PageCount(), file.path, context.password});
    params.target =
        context.place.ClaimFile(context.place.FolderFor(usable.front().path), name_ + ".pdf")
            .string();
    job->result = params.target;
    job->target_files.push_back(params.target);
    auto* task = new KComplexMergePdf(params, &job->sink, context.services);
    // The task writes to the desktop when the chosen place cannot take the file.
    job->find_result = [task] { return task->GetTargetPath(); };
    job->task = task;
    jobs.push_back(std::move(job));
    return jobs;
}

}  // namespace cli
