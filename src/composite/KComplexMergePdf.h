#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "composite/KComplexTask.h"

// PDFs (each with its own password and page range) merged into one. When the target's place
// cannot take the file it goes to the desktop as "合并PDF.pdf"; when the merge fails without a
// reason, each entry's pages are taken out on their own and those files merged whole.
class KComplexMergePdf : public KComplexTask {
public:
    struct Params {
        // start and end 0 take the whole file.
        std::vector<KPdfOperate::MergeSource> inputs;
        std::string target;
    };

    explicit KComplexMergePdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                              const CompositeServices* services = nullptr);

    std::string GetSourcePath() override;
    // The merged file, on the desktop when the task had to move it there.
    std::string GetTargetPath() override;

protected:
    bool Work() override;

private:
    bool Merge(OperationContext& context, const std::string& target);
    bool MergeEntryByEntry(OperationContext& context);
    bool MergeOnDesktop(OperationContext& context);

    const Params params_;
    // The window may ask for the target while the task's thread moves it to the desktop.
    std::mutex target_mutex_;
    std::string target_;  // guarded by target_mutex_
};
