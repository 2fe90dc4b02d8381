#include "cli/EncryptJobs.h"

#include <algorithm>

#include "composite/KComplexEncryptPdf.h"

namespace cli {
namespace {

bool IsDigitOrLetter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

void EncryptJobs::Configure(OptionReader& options) {
    new_password_ = options.Text("new-password");
    // The window's messages begin with a blank, as it shows them.
    if (new_password_.empty())
        options.Fail("--new-password:  没有输入密码！");
    else if (!std::all_of(new_password_.begin(), new_password_.end(), IsDigitOrLetter))
        options.Fail("--new-password:  密码必须是数字和字母！ (digits and letters only)");
    else if (options.Has("confirm-password") && options.Text("confirm-password") != new_password_)
        options.Fail("--confirm-password:  两次输入的密码不一致！");
}

std::unique_ptr<PlannedJob> EncryptJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    auto job = FileJob(file, context, file.Title() + "_已加密.pdf");
    job->task =
        new KComplexEncryptPdf(file.path, job->result, new_password_, &job->sink, context.services);
    job->task->SetPassword(context.password);
    job->task->SetPageCount(file.PageCount());
    job->task->AddPages(1, file.PageCount());
    return job;
}

}  // namespace cli
