#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "composite/KComplexTask.h"

// A PDF split into one file per page range, "<title>(<first>-<last>).pdf" in the output
// folder. When the folder cannot take them the parts go to a new folder on the desktop; when
// the split fails without a reason, each range is taken out on its own instead.
class KComplexSplitPdf : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string output_folder;
        std::vector<KPdfOperate::PageRange> ranges;
    };

    explicit KComplexSplitPdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                              const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    // The first part's file, known once the task has begun.
    std::string GetTargetPath() override;

protected:
    bool Work() override;

private:
    bool Split(OperationContext& context, const std::filesystem::path& folder);
    bool SplitRangeByRange(OperationContext& context, const std::filesystem::path& folder);
    bool SplitOnDesktop(OperationContext& context);
    std::string PartFile(const std::filesystem::path& folder,
                         const KPdfOperate::PageRange& range) const;

    const Params params_;
    // The window may ask for the first output while the task's thread is still choosing it.
    std::mutex first_output_mutex_;
    std::string first_output_;  // guarded by first_output_mutex_
};
