#include "convcore/OfficeCommands.h"

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "convcore/OfficeHelperClient.h"
#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/ScratchFolder.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using SettingsSource = std::function<std::optional<OfficeSettings>(std::string* error)>;

constexpr const char* kCommands[] = {"doc_to_pdf",  "docx_to_pdf", "xls_to_pdf",
                                     "xlsx_to_pdf", "ppt_to_pdf",  "pptx_to_pdf"};
constexpr std::size_t kHeadBytes = 32;
// The progress climbs towards kRampTop, two thirds of the way after kRampSeconds: a small
// document is done long before, a large one still moves.
constexpr int kRampTop = 90;
constexpr double kRampSeconds = 10.0;

std::string ReadHead(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::string head(kHeadBytes, '\0');
    stream.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(stream.gcount()));
    return head;
}

// A compound file's header: the signature, the byte order mark and a sector size of 512 or
// 4096 bytes. LibreOffice reads a damaged one as plain text instead of refusing it.
bool IsCompoundFile(std::string_view head) {
    constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    constexpr std::size_t kByteOrderAt = 28;
    constexpr std::size_t kSectorShiftAt = 30;
    if (head.size() < kHeadBytes || !head.starts_with(kSignature) ||
        head.substr(kByteOrderAt, 2) != "\xFE\xFF")
        return false;
    const char shift = head[kSectorShiftAt];
    return (shift == 9 || shift == 12) && head[kSectorShiftAt + 1] == 0;
}

// What LibreOffice opens as a Word, Excel or PowerPoint document: the binary formats (and
// protected packages) are compound files, the newer ones zip packages; Word also saves RTF, and
// both Word and Excel files from other programs are often XML or HTML under an Office name.
bool LooksLikeOfficeDocument(std::string_view head) {
    constexpr std::string_view kZip("PK\x03\x04", 4);
    constexpr std::string_view kRtf("{\\rtf");
    constexpr std::string_view kByteOrderMark("\xEF\xBB\xBF");
    if (IsCompoundFile(head) || head.starts_with(kZip) || head.starts_with(kRtf))
        return true;
    if (head.starts_with(kByteOrderMark))
        head.remove_prefix(kByteOrderMark.size());
    const auto first = head.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && head[first] == '<';
}

std::string SourceProblem(const fs::path& source) {
    if (source.empty())
        return "no source_path given";
    std::error_code failure;
    if (!fs::exists(source, failure))
        return "file not found: " + source.string();
    if (!fs::is_regular_file(source, failure))
        return source.string() + " is not a file";
    const std::string name = source.filename().string();
    if (fs::file_size(source, failure) == 0)
        return name + " is empty";
    const std::string head = ReadHead(source);
    if (head.empty())
        return "cannot read " + source.string();
    if (!LooksLikeOfficeDocument(head))
        return name + " is not a Word, Excel or PowerPoint document";
    return {};
}

std::string TargetFolderProblem(const fs::path& target) {
    if (target.empty())
        return "no target_path given";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code failure;
    if (!fs::is_directory(folder, failure))
        return "target folder not found: " + folder.string();
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "cannot write in " + folder.string();
    return {};
}

std::string EngineProblem(const OfficeSettings& settings, const std::string& name) {
    if (settings.install_folder.empty() || !IsLibreOfficeProgramFolder(settings.install_folder))
        return "LibreOffice is not installed; it is needed to convert " + name;
    if (::access(settings.helper.c_str(), X_OK) != 0)
        return "the LibreOffice helper is missing: " + settings.helper.string();
    return {};
}

bool IsPdf(const fs::path& file) {
    return ReadHead(file).starts_with("%PDF-");
}

class ProgressRamp {
public:
    explicit ProgressRamp(TaskContext& context) : context_(context) {}

    void Show() const {
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        context_.SetProgress(
            static_cast<int>(kRampTop * (1.0 - std::exp(-seconds / kRampSeconds))));
    }

private:
    TaskContext& context_;
    const Clock::time_point start_ = Clock::now();
};

TaskOutcome ConvertToPdf(const Json::Value& record, TaskContext& context,
                         const SettingsSource& settings_source) {
    const fs::path source = TextField(record, "source_path");
    const fs::path target = TextField(record, "target_path");
    std::string problem = SourceProblem(source);
    if (problem.empty())
        problem = TargetFolderProblem(target);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);
    std::string error;
    const std::optional<OfficeSettings> settings = settings_source(&error);
    if (!settings)
        return TaskOutcome::Failure(error);
    const std::string name = source.filename().string();
    problem = EngineProblem(*settings, name);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);

    std::error_code failure;
    PendingOutput output(fs::absolute(target, failure));
    // LibreOffice writes through a temporary file of its own beside the PDF, which a killed
    // helper leaves behind; in this folder it goes with the folder.
    const auto scratch = ScratchFolder::Create(output.Target().parent_path(), ".office");
    if (!scratch)
        return TaskOutcome::Failure("cannot write in " + output.Target().parent_path().string());
    const ProgressRamp ramp(context);
    ramp.Show();
    const OfficeJob job{fs::absolute(source, failure), scratch->Path() / output.Target().filename(),
                        TextField(record, "password")};
    const OfficeJobResult result = RunOfficeJob(job, *settings, [&] {
        ramp.Show();
        return !context.IsCancelled();
    });
    if (result.end != OfficeJobResult::End::kDone)
        return TaskOutcome::Failure(result.error);
    if (!IsPdf(job.target))
        return TaskOutcome::Failure("LibreOffice wrote no PDF for " + name);
    fs::rename(job.target, output.WorkPath(), failure);
    if (failure || !output.Commit(&error))
        return TaskOutcome::Failure(failure ? "cannot write " + output.Target().string() : error);
    return TaskOutcome::Success();
}

void RegisterWith(CommandDispatcher& dispatcher, const SettingsSource& settings_source) {
    for (const char* command : kCommands) {
        dispatcher.Register(command,
                            [settings_source](const Json::Value& record, TaskContext& context) {
                                return ConvertToPdf(record, context, settings_source);
                            });
    }
}

}  // namespace

void RegisterOfficeCommands(CommandDispatcher& dispatcher) {
    RegisterWith(dispatcher, DefaultOfficeSettings);
}

void RegisterOfficeCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings) {
    RegisterWith(dispatcher, [settings](std::string*) { return std::optional(settings); });
}

}  // namespace convcore
