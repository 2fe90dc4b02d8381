#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/JobBuilder.h"
#include "cli/ProgressView.h"

namespace cli {

// quire-cli from its command line to its exit status: checks everything a window checks before
// a start, then drives the program's task center, core manager and composite tasks.
class CliApp {
public:
    static constexpr int kSucceeded = 0;
    static constexpr int kFailed = 1;  // some file failed, was refused or cancelled
    static constexpr int kUsage = 2;

    CliApp(std::ostream& out, std::ostream& err, bool terminal, int columns = 80);

    // `arguments` excludes the program name.
    int Run(const std::vector<std::string>& arguments);

    // Whether a task was still running when Run returned, which must then not wait for it.
    bool LeftWorkRunning() const { return left_running_; }

private:
    int Usage(const std::string& error);
    // The usage checks that need no conversion core; kSucceeded when the batch may start.
    int Check(const Invocation& invocation, JobBuilder& builder, std::optional<OutputPlace>* place);
    int RunInfo(const Invocation& invocation);
    int RunBatch(const Invocation& invocation, JobBuilder& builder, OutputPlace& place);
    // The files with their facts; false when a termination signal interrupted the queries.
    bool Collect(const Invocation& invocation, JobBuilder& builder, const std::string& password,
                 std::vector<SourceFile>* sources,
                 std::vector<std::unique_ptr<PlannedJob>>* missing);

    std::ostream& out_;
    std::ostream& err_;
    ProgressView view_;
    bool left_running_ = false;
};

}  // namespace cli
