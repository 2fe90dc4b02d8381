#include "convcore/PageToolCommands.h"

#include <malloc.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <numeric>
#include <set>
#include <system_error>

#include "convcore/PageToolImages.h"
#include "convcore/PageToolPdf.h"
#include "convcore/PageToolRecord.h"
#include "convcore/PageToolWriter.h"
#include "convcore/RecordFields.h"
#include "platform/Format.h"

namespace convcore {
namespace {

// Split and merge answer an unusable output place with these codes: the program then writes to
// the desktop instead.
constexpr char kFolderMissingCode[] = "ERROR_OUT_FOLDER_NOT_EXISTS";
constexpr char kCannotSaveCode[] = "ERROR_SAVE_MERGE_PDF_FAIL";
// Tells the program that compressing gained nothing; it keeps a copy of the source instead.
constexpr char kNotSmaller[] = "9";
constexpr char kCancelled[] = "cancelled";

constexpr int kOpenedProgress = 5;
constexpr int kPreparedProgress = 30;
constexpr int kSourcesReadProgress = 40;

constexpr int kLargestHeapAllocation = 16 * 1024 * 1024;
constexpr int kFreedMemoryKept = 64 * 1024 * 1024;

// How a tool words a failure to place its output: split and merge with the codes above, the
// others in words the user can read in the file's row.
enum class OutputErrors { kWords, kCodes };

TaskOutcome FolderMissing(const std::filesystem::path& folder, OutputErrors errors) {
    return TaskOutcome::Failure(errors == OutputErrors::kCodes
                                    ? kFolderMissingCode
                                    : "the output folder does not exist: " + folder.string());
}

TaskOutcome CannotSave(const std::string& detail, OutputErrors errors) {
    return TaskOutcome::Failure(errors == OutputErrors::kCodes ? kCannotSaveCode
                                                               : "cannot save: " + detail);
}

TaskOutcome WriteFailure(const WriteResult& written, OutputErrors errors) {
    if (written.status == WriteStatus::kCancelled)
        return TaskOutcome::Failure(kCancelled);
    if (written.status == WriteStatus::kCannotSave)
        return CannotSave(written.detail, errors);
    return TaskOutcome::Failure("cannot read the PDF: " + written.detail);
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

bool IsFolder(const std::filesystem::path& folder) {
    std::error_code failure;
    return !folder.empty() && std::filesystem::is_directory(folder, failure);
}

std::vector<int> ToIndexes(const std::vector<int>& pages) {
    std::vector<int> indexes;
    for (const int page : pages)
        indexes.push_back(page - 1);
    return indexes;
}

// One source document in, one output out: every tool but split and merge.
struct SingleOutputTool {
    // Changes the open source before it is written; false with the reason.
    std::function<bool(SourcePdf& source, TaskContext& context, std::string* error)> prepare;
    WriteSettings settings;
    // Judges the written output; returns the failure text, empty when it is fine.
    std::function<std::string(const SourcePdf& source, const std::filesystem::path& written)>
        check_output;
};

TaskOutcome RunSingleOutput(const Json::Value& record, TaskContext& context,
                            const SingleOutputTool& tool) {
    const std::filesystem::path target(TextField(record, "target_path"));
    if (target.empty())
        return TaskOutcome::Failure("no target path given");
    if (!IsFolder(FolderOf(target)))
        return FolderMissing(FolderOf(target), OutputErrors::kWords);
    std::string error;
    const auto source =
        OpenSourcePdf(TextField(record, "source_path"), TextField(record, "password"), &error);
    if (source == nullptr)
        return TaskOutcome::Failure(error);
    context.SetProgress(kOpenedProgress);
    if (tool.prepare && !tool.prepare(*source, context, &error))
        return TaskOutcome::Failure(error);
    PendingOutput output(target);
    const WriteResult written =
        WritePdf(*source->pdf, output.WorkPath(), tool.settings, context, {kPreparedProgress, 100});
    if (written.status != WriteStatus::kWritten)
        return WriteFailure(written, OutputErrors::kWords);
    if (tool.check_output) {
        error = tool.check_output(*source, output.WorkPath());
        if (!error.empty())
            return TaskOutcome::Failure(error);
    }
    if (!output.Commit(&error))
        return CannotSave(error, OutputErrors::kWords);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

// Keeps `order` of the source's pages, dropping what only the other pages used.
bool KeepPages(SourcePdf& source, const std::vector<int>& order, TaskContext& context,
               std::string* error) {
    if (!TrimUnusedResources(source, order, false, [&context] { return context.IsCancelled(); })) {
        *error = kCancelled;
        return false;
    }
    KeepPagesInPlace(source, order);
    return true;
}

bool ReadPages(const Json::Value& record, std::vector<int>* pages, TaskOutcome* failure) {
    std::string error;
    if (ReadPageNumbers(record, pages, &error))
        return true;
    *failure = TaskOutcome::Failure(error);
    return false;
}

TaskOutcome PickupPages(const Json::Value& record, TaskContext& context) {
    std::vector<int> pages;
    TaskOutcome failure;
    if (!ReadPages(record, &pages, &failure))
        return failure;
    if (pages.empty())
        return TaskOutcome::Failure("no pages to take out were given");
    SingleOutputTool tool;
    tool.prepare = [&pages](SourcePdf& source, TaskContext& context, std::string* error) {
        return CheckPageNumbers(pages, source.PageCount(), error) &&
               KeepPages(source, ToIndexes(pages), context, error);
    };
    return RunSingleOutput(record, context, tool);
}

TaskOutcome DeletePages(const Json::Value& record, TaskContext& context) {
    std::vector<int> pages;
    TaskOutcome failure;
    if (!ReadPages(record, &pages, &failure))
        return failure;
    SingleOutputTool tool;
    // Without a page list nothing is deleted and the output is a copy of the source.
    if (!pages.empty()) {
        tool.prepare = [&pages](SourcePdf& source, TaskContext& context, std::string* error) {
            if (!CheckPageNumbers(pages, source.PageCount(), error))
                return false;
            const std::set<int> deleted(pages.begin(), pages.end());
            std::vector<int> kept;
            for (int page = 1; page <= source.PageCount(); ++page) {
                if (deleted.count(page) == 0)
                    kept.push_back(page - 1);
            }
            if (kept.empty()) {
                *error = "cannot delete every page of the document";
                return false;
            }
            return KeepPages(source, kept, context, error);
        };
    }
    return RunSingleOutput(record, context, tool);
}

TaskOutcome EncryptPdf(const Json::Value& record, TaskContext& context) {
    SingleOutputTool tool;
    tool.settings.user_password = TextField(record, "password");
    if (tool.settings.user_password.empty())
        return TaskOutcome::Failure("Invalid password: no password to encrypt with was given");
    return RunSingleOutput(record, context, tool);
}

TaskOutcome DecryptPdf(const Json::Value& record, TaskContext& context) {
    return RunSingleOutput(record, context, SingleOutputTool{});
}

std::uintmax_t FileSize(const std::filesystem::path& file) {
    std::error_code failure;
    const std::uintmax_t size = std::filesystem::file_size(file, failure);
    return failure ? 0 : size;
}

TaskOutcome CompressPdf(const Json::Value& record, TaskContext& context) {
    const ImageRecompression images =
        ImageRecompressionForLevel(IntField(record, "compress_type", kDefaultCompressLevel));
    SingleOutputTool tool;
    tool.settings.compact = true;
    tool.prepare = [&images](SourcePdf& source, TaskContext& context, std::string* error) {
        const auto cancelled = [&context] { return context.IsCancelled(); };
        std::vector<int> every_page(static_cast<std::size_t>(source.PageCount()));
        std::iota(every_page.begin(), every_page.end(), 0);
        const auto progress = [&context](int percent) {
            context.SetProgress(kOpenedProgress +
                                (kPreparedProgress - kOpenedProgress) * percent / 100);
        };
        if (!TrimUnusedResources(source, every_page, true, cancelled) ||
            !RecompressImages(*source.pdf, images, cancelled, progress)) {
            *error = kCancelled;
            return false;
        }
        return true;
    };
    tool.check_output = [](const SourcePdf& source, const std::filesystem::path& written) {
        return FileSize(written) < FileSize(source.path) ? std::string() : kNotSmaller;
    };
    return RunSingleOutput(record, context, tool);
}

std::string PartName(const std::string& title, const PageRange& range) {
    return platform::Format("%s(%d-%d).pdf", title, range.start, range.end);
}

TaskOutcome SplitPdf(const Json::Value& record, TaskContext& context) {
    std::vector<PageRange> ranges;
    std::string error;
    if (!ReadPageRanges(record, &ranges, &error))
        return TaskOutcome::Failure(error);
    const std::filesystem::path folder(TextField(record, "target_path"));
    if (!IsFolder(folder))
        return FolderMissing(folder, OutputErrors::kCodes);
    const std::string source_path = TextField(record, "source_path");
    const auto source = OpenSourcePdf(source_path, TextField(record, "password"), &error);
    if (source == nullptr)
        return TaskOutcome::Failure(error);
    std::vector<int> used_pages;
    for (const PageRange& range : ranges) {
        if (!CheckPageRange(range, source->PageCount(), &error))
            return TaskOutcome::Failure(error);
        const std::vector<int> indexes = RangeIndexes(range);
        used_pages.insert(used_pages.end(), indexes.begin(), indexes.end());
    }
    if (!TrimUnusedResources(*source, used_pages, false,
                             [&context] { return context.IsCancelled(); }))
        return TaskOutcome::Failure(kCancelled);
    const std::string title = std::filesystem::path(source_path).stem().string();
    std::vector<std::unique_ptr<PendingOutput>> outputs;
    std::set<std::string> names;
    const int count = static_cast<int>(ranges.size());
    for (int part = 0; part < count; ++part) {
        const std::string name = PartName(title, ranges[part]);
        // A range given twice names the same file; it is written once.
        if (!names.insert(name).second)
            continue;
        PdfAssembly assembly;
        assembly.Append(*source, RangeIndexes(ranges[part]));
        assembly.TakeInformationFrom(*source);
        assembly.Finish();
        outputs.push_back(std::make_unique<PendingOutput>(folder / name));
        const WriteResult written =
            WritePdf(assembly.Pdf(), outputs.back()->WorkPath(), WriteSettings{}, context,
                     {part * 100 / count, (part + 1) * 100 / count});
        if (written.status != WriteStatus::kWritten)
            return WriteFailure(written, OutputErrors::kCodes);
        context.SetProgress((part + 1) * 100 / count);
    }
    if (!CommitAll(outputs, &error))
        return CannotSave(error, OutputErrors::kCodes);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

TaskOutcome MergeEntries(const std::vector<MergeEntry>& entries,
                         const std::filesystem::path& target, TaskContext& context) {
    if (target.empty())
        return TaskOutcome::Failure("no target path given");
    if (!IsFolder(FolderOf(target)))
        return FolderMissing(FolderOf(target), OutputErrors::kCodes);
    // Every source stays open until the output is written: page contents are copied then. A
    // file listed twice is opened once, so that its repeated pages share their contents.
    std::map<std::pair<std::string, std::string>, std::unique_ptr<SourcePdf>> sources;
    SourcePdf* first = nullptr;
    PdfAssembly assembly;
    std::string error;
    const int count = static_cast<int>(entries.size());
    for (int index = 0; index < count; ++index) {
        const MergeEntry& entry = entries[index];
        if (context.IsCancelled())
            return TaskOutcome::Failure(kCancelled);
        std::unique_ptr<SourcePdf>& source = sources[{entry.file, entry.password}];
        if (source == nullptr)
            source = OpenSourcePdf(entry.file, entry.password, &error);
        if (source == nullptr)
            return TaskOutcome::Failure(error);
        const PageRange range =
            entry.range.IsWholeDocument() ? PageRange{1, source->PageCount()} : entry.range;
        if (!CheckPageRange(range, source->PageCount(), &error))
            return TaskOutcome::Failure(entry.file + ": " + error);
        const std::vector<int> indexes = RangeIndexes(range);
        if (!TrimUnusedResources(*source, indexes, false,
                                 [&context] { return context.IsCancelled(); }))
            return TaskOutcome::Failure(kCancelled);
        assembly.Append(*source, indexes);
        if (first == nullptr)
            first = source.get();
        context.SetProgress((index + 1) * kSourcesReadProgress / count);
    }
    assembly.TakeInformationFrom(*first);
    assembly.Finish();
    PendingOutput output(target);
    const WriteResult written = WritePdf(assembly.Pdf(), output.WorkPath(), WriteSettings{},
                                         context, {kSourcesReadProgress, 100});
    if (written.status != WriteStatus::kWritten)
        return WriteFailure(written, OutputErrors::kCodes);
    if (!output.Commit(&error))
        return CannotSave(error, OutputErrors::kCodes);
    context.SetProgress(100);
    return TaskOutcome::Success();
}

TaskOutcome MergeRanges(const Json::Value& record, TaskContext& context) {
    std::vector<MergeEntry> entries;
    std::string error;
    if (!ReadMergeEntries(record, &entries, &error))
        return TaskOutcome::Failure(error);
    return MergeEntries(entries, TextField(record, "target_path"), context);
}

TaskOutcome MergeFiles(const Json::Value& record, TaskContext& context) {
    std::vector<MergeEntry> entries;
    std::string error;
    if (!ReadMergeFiles(record, &entries, &error))
        return TaskOutcome::Failure(error);
    return MergeEntries(entries, TextField(record, "target_path"), context);
}

// qpdf allocates and frees a buffer per stream it copies. With glibc's default thresholds the
// heap is trimmed and regrown around nearly every one, and the page faults that follow cost as
// much as the copying itself. A core runs one task and ends, so keeping freed memory is cheap.
void KeepFreedMemoryForReuse() {
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, kLargestHeapAllocation);
        mallopt(M_TRIM_THRESHOLD, kFreedMemoryKept);
    });
}

// qpdf reads objects lazily and reports damage it finds late by throwing; such a document
// fails its task like any unreadable source, and the PendingOutputs clean up on the way out.
CommandHandler Guarded(TaskOutcome (*handler)(const Json::Value&, TaskContext&)) {
    return [handler](const Json::Value& record, TaskContext& context) {
        KeepFreedMemoryForReuse();
        try {
            return handler(record, context);
        } catch (const std::exception& exception) {
            return TaskOutcome::Failure(std::string("cannot process the PDF: ") + exception.what());
        }
    };
}

}  // namespace

void RegisterPageTools(CommandDispatcher& dispatcher) {
    dispatcher.Register("new_split_pdf", Guarded(SplitPdf));
    dispatcher.Register("new_merge_pdf", Guarded(MergeRanges));
    dispatcher.Register("pdf_merge", Guarded(MergeFiles));
    dispatcher.Register("pdf_pickup_pages", Guarded(PickupPages));
    dispatcher.Register("pdf_delete_pages", Guarded(DeletePages));
    dispatcher.Register("pdf_encrypt", Guarded(EncryptPdf));
    dispatcher.Register("pdf_decrypt", Guarded(DecryptPdf));
    dispatcher.Register("pdf_compress", Guarded(CompressPdf));
}

}  // namespace convcore
