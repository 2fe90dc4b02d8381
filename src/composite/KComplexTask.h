#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "composite/CompositeServices.h"
#include "composite/OperationContext.h"
#include "composite/OperationRunner.h"
#include "composite/TaskTempFolder.h"
#include "tasks/ICvtTask.h"

// What every composite task shares: its services, the runners, the rules for bringing step
// errors into the task, and a private folder for intermediate files. A member supplies Work,
// its chain of steps.
class KComplexTask : public ICvtTask {
public:
    // `progress` may be null; `services` null means the program's.
    KComplexTask(quirekit::ICvtUpateProcess* progress, const CompositeServices* services);

    // A task cancelled before its turn ends at 0 without running a step. Otherwise "result"
    // is -1 while Work runs; the intermediate files are gone before the outcome is published.
    void DoWork() override;

protected:
    // The error of a task that has nothing to do: it still ends, so its row stops waiting.
    static constexpr char kNoPages[] = "no pages to convert";

    // kKeep leaves the task's error alone for a caller that decides itself.
    enum class ErrorMerge { kReplace, kAppend, kKeep };

    // True when the chain's last step succeeded.
    virtual bool Work() = 0;

    // Step `index` of `count`, tied to this task's cancel flag, with no password and no pages.
    OperationContext NewContext(int index = 1, int count = 1);

    // NewContext with the task's password and selected pages.
    OperationContext TaskContext();

    // Runs one step and brings its error text into the task's as `merge` says.
    bool Step(OperationContext& context, OperationRequest request, ErrorMerge merge);
    // As Step, on the online service; also copies the service's code into the task.
    bool OnlineStep(OperationContext& context, const OnlineRequest& request, ErrorMerge merge);
    // The last step of the members that convert only online; its error replaces the task's.
    bool FinalOnlineStep(OperationContext& context, const OnlineRequest& request);
    // The facts of `path`; a failure appends its error text. True when the page count is known.
    bool QueryFacts(OperationContext& context, const std::string& path, FileFacts* facts);

    void MergeError(const std::string& text, ErrorMerge merge);
    // Whether an online step can run: the user allowed uploads and a converter is set up.
    // Asked before any pre-step, so nothing is decrypted or cut for an upload that cannot
    // happen; when not, the reason goes into the task's error as `merge` says.
    bool CanGoOnline(ErrorMerge merge);

    // Pre-steps that leave an intermediate PDF in the private folder and return its path, or
    // an empty string (with the error appended) on failure. Decryption clears the context's
    // password, as its output opens without one; the pick-up takes the context's pages.
    std::string DecryptToTemp(OperationContext& context, const std::string& input);
    std::string PickupToTemp(OperationContext& context, const std::string& input);

    // A fresh name for an intermediate PDF made from `source`; empty, with the reason in the
    // task's error, when there is no private folder.
    std::string TempPdfPath(const std::string& source);
    std::optional<std::filesystem::path> TempFolder();
    void RemoveTempFiles() { temp_.Remove(); }

    const CompositeServices& Services() const { return services_; }

private:
    std::string IntermediateStep(OperationContext& context, OperationKind kind,
                                 const std::string& input);

    const CompositeServices services_;
    OperationRunner runner_;
    TaskTempFolder temp_;  // the task's thread only
};
