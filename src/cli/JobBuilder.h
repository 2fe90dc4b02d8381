#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/FunctionTable.h"
#include "cli/OptionReader.h"
#include "cli/OutputPlace.h"
#include "cli/PlannedJob.h"
#include "cli/SourceFile.h"
#include "cli/UploadConsent.h"

struct CompositeServices;

namespace cli {

// What planning a batch works with besides the function's options.
struct PlanContext {
    OutputPlace& place;
    UploadConsent& consent;
    const CompositeServices* services = nullptr;  // null: the program's
    std::string password;                         // --password, for the PDFs of the batch
};

// Turns one function's options and files into tasks, as its window's start does: the option
// checks that stop a whole start, the per-file checks that skip a file, the result names and
// the composite task with its parameters.
class JobBuilder {
public:
    virtual ~JobBuilder() = default;

    // Reads and checks the options; a problem is the reader's usage error.
    virtual void Configure(OptionReader& options) = 0;
    // Checks of the file list as a whole; empty when it may start.
    virtual std::string CheckFiles(const std::vector<std::string>& files) const;
    // Whether planning needs the file's facts from the file-information query.
    virtual bool NeedsFacts(const std::string& path) const;
    // One job per result, in the order the window would start them; refused files included.
    virtual std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                          PlanContext& context) = 0;

    // A job that is not started, with the reason.
    static std::unique_ptr<PlannedJob> Refuse(const SourceFile& file, std::string reason);
};

// The builder of the function's family.
std::unique_ptr<JobBuilder> MakeJobBuilder(const CliFunction& function);

}  // namespace cli
