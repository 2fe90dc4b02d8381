#include "convcore/TextToPdf.h"

#include <filesystem>
#include <optional>
#include <string>

#include "convcore/PendingOutput.h"
#include "convcore/RecordFields.h"
#include "convcore/TextToPdfDecode.h"
#include "convcore/TextToPdfLayout.h"
#include "platform/AtomicFile.h"
#include "platform/Format.h"

namespace convcore {
namespace {

constexpr int kDecodedProgress = 5;

// The file's bytes, or the failure that ends the task.
std::optional<std::string> ReadTextFile(const std::string& path, std::string* error) {
    platform::ReadResult read = platform::ReadFileBounded(path, kMaxTextFileBytes);
    switch (read.status) {
        case platform::ReadStatus::Ok:
            return std::move(read.bytes);
        case platform::ReadStatus::Missing:
            *error = "file not found: " + path;
            break;
        case platform::ReadStatus::TooLarge:
            *error = platform::Format("the text file is larger than %d MB: %s",
                                      static_cast<int>(kMaxTextFileBytes >> 20), path);
            break;
        case platform::ReadStatus::Error:
            *error = platform::Format("cannot read %s: %s", path, read.error);
            break;
    }
    return std::nullopt;
}

TaskOutcome ConvertTextToPdf(const Json::Value& record, TaskContext& context) {
    const std::string source = TextField(record, "source_path");
    const std::filesystem::path target = TextField(record, "target_path");
    if (source.empty())
        return TaskOutcome::Failure("file not found: " + source);
    if (target.empty())
        return TaskOutcome::Failure("no target path");
    std::string error;
    const std::optional<std::string> bytes = ReadTextFile(source, &error);
    if (!bytes)
        return TaskOutcome::Failure(error);
    const DecodedText decoded = DecodeTextFile(*bytes);
    context.SetProgress(kDecodedProgress);
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");

    PendingOutput output(target);
    const TextLayoutResult laid_out =
        WriteTextPdf(decoded.text, output.WorkPath(), std::filesystem::path(source).stem().string(),
                     TextPageStyle{}, context);
    if (laid_out.status == TextLayoutStatus::kCancelled)
        return TaskOutcome::Failure("cancelled");
    if (laid_out.status == TextLayoutStatus::kCannotWrite)
        return TaskOutcome::Failure("cannot write the PDF " + laid_out.detail);
    if (laid_out.status == TextLayoutStatus::kNoFonts)
        return TaskOutcome::Failure(laid_out.detail);
    return CommitTaskOutput(output, context);
}

}  // namespace

void RegisterTextToPdf(CommandDispatcher& dispatcher) {
    dispatcher.Register("txt_to_pdf", ConvertTextToPdf);
}

}  // namespace convcore
