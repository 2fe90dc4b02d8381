#pragma once

#include "cli/FileOrder.h"
#include "cli/JobBuilder.h"

namespace cli {

// Merge (KPdfMergeFuncWnd): the files, whole and in list order, into "<name>.pdf" in the
// output folder (the first file's folder unless one was chosen).
class MergeJobs : public JobBuilder {
public:
    static constexpr char kDefaultName[] = "合并PDF";
    static constexpr std::size_t kMaxNameChars = 30;

    void Configure(OptionReader& options) override;
    std::string CheckFiles(const std::vector<std::string>& files) const override;
    std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                  PlanContext& context) override;

private:
    std::string name_ = kDefaultName;
    FileOrder order_ = FileOrder::kAsGiven;
};

}  // namespace cli
