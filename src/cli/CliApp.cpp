#include "cli/CliApp.h"

#include <unistd.h>

#include <iostream>

#include <filesystem>

#include "app/AsynLog.h"
#include "cli/BatchRunner.h"
#include "cli/ConversionLink.h"
#include "cli/FileFactsQuery.h"
#include "cli/HelpText.h"
#include "cli/InfoCommand.h"
#include "cli/TerminationSignal.h"
#include "platform/Format.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

bool Interrupted() {
    return TerminationSignal::Take() != 0;
}

std::string Text(const Invocation& invocation, const std::string& name) {
    const auto found = invocation.options.find(name);
    return found == invocation.options.end() ? std::string() : found->second;
}

std::string AbsolutePath(const std::string& file) {
    std::error_code error;
    return fs::absolute(file, error).lexically_normal().string();
}

}  // namespace

CliApp::CliApp(std::ostream& out, std::ostream& err, bool terminal, int columns)
    : out_(out), err_(err), view_(out, err, terminal, columns) {}

int CliApp::Run(const std::vector<std::string>& arguments) {
    const ParseResult parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty())
        return Usage(parsed.error);
    const Invocation& invocation = parsed.invocation;
    if (invocation.help) {
        out_ << (invocation.function ? FunctionUsage(*invocation.function) : GeneralUsage());
        return kSucceeded;
    }
    if (invocation.function->family == Family::kInfo) {
        if (invocation.output_folder)
            return Usage("info writes no files, so it takes no -o");
        return RunInfo(invocation);
    }
    const std::unique_ptr<JobBuilder> builder = MakeJobBuilder(*invocation.function);
    std::optional<OutputPlace> place;
    if (const int status = Check(invocation, *builder, &place); status != kSucceeded)
        return status;
    return RunBatch(invocation, *builder, *place);
}

int CliApp::Usage(const std::string& error) {
    err_ << "quire-cli: " << error << "\n(quire-cli --help lists the functions)\n";
    return kUsage;
}

int CliApp::Check(const Invocation& invocation, JobBuilder& builder,
                  std::optional<OutputPlace>* place) {
    const CliFunction& function = *invocation.function;
    OptionReader options(invocation.options);
    builder.Configure(options);
    if (options.Failed())
        return Usage(options.Error());
    for (const std::string& file : invocation.files) {
        if (!Accepts(function, file)) {
            return Usage(platform::Format("%s: not a file %s takes (quire-cli %s --help)", file,
                                          function.name, function.name));
        }
    }
    if (const std::string problem = builder.CheckFiles(invocation.files); !problem.empty())
        return Usage(problem);
    // Last, since it creates the folder.
    if (!invocation.output_folder) {
        place->emplace();
        return kSucceeded;
    }
    std::string error;
    *place = OutputPlace::InFolder(*invocation.output_folder, &error);
    return *place ? kSucceeded : Usage(error);
}

int CliApp::RunInfo(const Invocation& invocation) {
    ConversionLink link;
    std::string error;
    if (!link.Start(&error)) {
        err_ << "quire-cli: " << error << "\n";
        return kFailed;
    }
    const bool answered =
        InfoCommand(view_, Interrupted).Run(invocation.files, Text(invocation, "password"));
    left_running_ = !link.Stop();
    return answered ? kSucceeded : kFailed;
}

bool CliApp::Collect(const Invocation& invocation, JobBuilder& builder, const std::string& password,
                     std::vector<SourceFile>* sources,
                     std::vector<std::unique_ptr<PlannedJob>>* missing) {
    const bool addresses = invocation.function->family == Family::kHtmlToPdf;
    FileFactsQuery query;
    for (const std::string& file : invocation.files) {
        SourceFile source{file, addresses ? file : AbsolutePath(file), {}};
        std::error_code error;
        if (!addresses && !fs::is_regular_file(source.path, error)) {
            missing->push_back(JobBuilder::Refuse(source, "file not found"));
            continue;
        }
        if (!addresses && builder.NeedsFacts(source.path))
            query.Add(source.path, password);
        sources->push_back(std::move(source));
    }
    if (!query.Wait(Interrupted))
        return false;
    for (SourceFile& source : *sources)
        source.facts = query.FactsOf(source.path);
    return true;
}

int CliApp::RunBatch(const Invocation& invocation, JobBuilder& builder, OutputPlace& place) {
    ConversionLink link;
    std::string error;
    if (!link.Start(&error)) {
        err_ << "quire-cli: " << error << "\n";
        return kFailed;
    }
    keasy::AsynLog::Instance().Print("CliApp::RunBatch function:%s, files:%d",
                                     invocation.function->name,
                                     static_cast<int>(invocation.files.size()));
    const std::string password = Text(invocation, "password");
    std::vector<SourceFile> sources;
    std::vector<std::unique_ptr<PlannedJob>> jobs;
    if (!Collect(invocation, builder, password, &sources, &jobs)) {
        view_.Failed("cancelled while reading the files");
        left_running_ = !link.Stop();
        return kFailed;
    }
    UploadConsent::Store consent_store = UploadConsent::ProgramStore();
    if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO))
        consent_store.ask = UploadConsent::TerminalQuestion(std::cin, err_);
    UploadConsent consent(std::move(consent_store), invocation.options.contains("agree-upload"));
    PlanContext context{place, consent, nullptr, password};
    for (auto& job : builder.Plan(sources, context))
        jobs.push_back(std::move(job));

    const BatchRunner::Summary summary =
        BatchRunner(*invocation.function, view_, TerminationSignal::Take).Run(jobs);
    jobs.clear();
    left_running_ = !link.Stop() || summary.unfinished;
    return summary.failed > 0 || summary.interrupted ? kFailed : kSucceeded;
}

}  // namespace cli
