#include "core/KPdfToImages.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <deque>
#include <system_error>

#include "app/AsynLog.h"
#include "app/ConfigPaths.h"
#include "app/ProfileIni.h"
#include "core/FileTypeCodes.h"
#include "core/PageImageStacker.h"
#include "keasy/ClassFunc.h"
#include "platform/Format.h"
#include "platform/Tick.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCappedProgress = 50;
// A second page folder created in the same millisecond gets the next tick in its name.
constexpr int kPageFolderAttempts = 64;

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

// The poll result as the image statistics count it.
int PollState(int poll_result) {
    if (poll_result > 0)
        return 1;
    if (poll_result == 0)
        return 2;
    return poll_result == -2 ? 3 : 0;
}

// Pixel counts of many pages outgrow 32 bits, so they pass through as the core wrote them.
std::string TextOrZero(std::string text) {
    return text.empty() ? "0" : text;
}

}  // namespace

KPdfToImages::KPdfToImages(KPdfCoreManager* manager, bool core_merges, StatsSink send_stats)
    : KConvertBase(manager), core_merges_(core_merges), send_stats_(std::move(send_stats)) {}

KPdfToImages::~KPdfToImages() {
    stop_merge_ = true;
    merge_worker_.WaitIdle();
    if (!page_folder_.empty() && merge_state_ == kMergeNotStarted) {
        std::error_code error;
        fs::remove_all(page_folder_, error);
    }
}

bool KPdfToImages::CoreMergesPages(const fs::path& program_folder) {
    return profile::GetInt(program_folder / config::kPdfCoreIni, "kpdfcore", "pdf_to_image", 2) ==
           2;
}

std::optional<fs::path> KPdfToImages::CreatePageFolder() {
    const auto base = platform::PrivateFolder();
    if (!base)
        return std::nullopt;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::uint32_t tick = platform::GetTickCount();
    for (int attempt = 0; attempt < kPageFolderAttempts; ++attempt) {
        const fs::path folder =
            *base / platform::Format("56ADA302_%x%x_%x", local.tm_mon + 1, local.tm_mday,
                                     tick + static_cast<std::uint32_t>(attempt));
        if (::mkdir(folder.c_str(), 0700) == 0)
            return folder;
        if (errno != EEXIST)
            break;
    }
    return std::nullopt;
}

bool KPdfToImages::ConvertToImages(int image_type, bool merge, const std::string& source,
                                   const std::string& target_folder, float scale,
                                   int pages_per_image) {
    const std::string cmd = file_types::PdfToImagesCommand(image_type);
    if (cmd.empty()) {
        Log().Print("KPdfToImages::ConvertToImages unknown type:%d", image_type);
        return false;
    }
    image_type_ = image_type;
    merge_requested_ = merge;
    std::string core_target = target_folder;
    if (MergesHere()) {
        const auto folder = CreatePageFolder();
        if (!folder) {
            Log().Print("KPdfToImages::ConvertToImages create temp folder fail");
            return false;
        }
        page_folder_ = *folder;
        target_folder_ = target_folder;
        core_target = page_folder_.string();
    }
    Json::Value record;
    record["cmd"] = cmd;
    record["source_path"] = source;
    record["merge"] = merge && core_merges_ ? 1 : 0;
    record["target_path"] = core_target;
    record["scale"] = static_cast<double>(scale);
    record["pagePerImage"] = pages_per_image;
    return SubmitCmd(record);
}

int KPdfToImages::GetResult() {
    const int result = Manager().GetIntInfo(CoreTaskId(), "result", -1);
    int reported = result;
    if (result == 1 && MergesHere())
        reported = MergePollResult();
    else if (result == -1 && !Manager().IsTaskAlive(CoreTaskId()))
        reported = 0;
    NoteImageCounters(reported);
    return reported;
}

int KPdfToImages::MergePollResult() {
    switch (merge_state_.load()) {
        case kMergeNotStarted:
            // Marked before posting: a merge that ends at once must not have its outcome
            // overwritten by this mark.
            merge_state_ = kMerging;
            merge_worker_.Post(keasy::MakeClassFunc(this, &KPdfToImages::MergePages));
            if (!merge_worker_.Start()) {
                Log().Print("KPdfToImages merge thread start fail");
                merge_state_ = kMergeFailed;
                return 0;
            }
            return -1;
        case kMerging:
            return -1;
        case kMergeFailed:
            return 0;
        default:
            return 1;
    }
}

int KPdfToImages::GetProgress() {
    const int progress = KConvertBase::GetProgress();
    const int state = merge_state_.load();
    if (MergesHere() && state != kMergeFailed && state != kMergeDone)
        return std::min(progress, kCappedProgress);
    return progress;
}

void KPdfToImages::Cancel() {
    KConvertBase::Cancel();
    NoteImageCounters(-2);
}

void KPdfToImages::MergePages() {
    const std::vector<fs::path> listed =
        page_images::ListInNaturalOrder(page_folder_, file_types::ImageExtension(image_type_));
    std::deque<fs::path> images;
    std::error_code error;
    for (const fs::path& image : listed) {
        if (fs::exists(image, error))
            images.push_back(image);
    }
    // Inside the page folder, so that two jobs never share a scratch name and the clean-up
    // below takes the scratch files along.
    const fs::path scratch = page_folder_ / "merge-scratch";
    std::vector<fs::path> written;
    if (::mkdir(scratch.c_str(), 0700) == 0)
        written =
            page_images::MergeIntoFolder(std::move(images), target_folder_, scratch, stop_merge_);
    Log().Print("KPdfToImages merge pages:%d, images:%d", static_cast<int>(listed.size()),
                static_cast<int>(written.size()));
    fs::remove_all(page_folder_, error);
    merge_state_ = written.empty() ? kMergeFailed : kMergeDone;
}

void KPdfToImages::NoteImageCounters(int poll_result) {
    const int id = CoreTaskId();
    const int index = Manager().GetIntInfo(id, "nCurImgIndex", 0);
    if (index <= 0 || index <= highest_index_)
        return;
    highest_index_ = index;
    ImageStats stats;
    stats.poll_state = PollState(poll_result);
    stats.merge_kind = merge_requested_ ? 2 : 1;
    stats.image_kind = image_type_ - file_types::kTargetJpg + 1;
    stats.current_index = index;
    stats.total_count = Manager().GetIntInfo(id, "nImgTotalCount", 0);
    stats.total_pixels = TextOrZero(Manager().GetInfo(id, "nImgTotalPx"));
    stats.max_pixels = TextOrZero(Manager().GetInfo(id, "nImgMaxPx"));
    stats.total_time = Manager().GetIntInfo(id, "nTotalTime", 0);
    stats.width = Manager().GetIntInfo(id, "nImgW", 0);
    stats.height = Manager().GetIntInfo(id, "nImgH", 0);
    stats.file_name = Manager().GetInfo(id, "strDesFileName");
    stats.image_time = Manager().GetIntInfo(id, "nCurImgCovTime", 0);
    if (send_stats_)
        send_stats_(stats);
    if (stats.poll_state != 0)
        highest_index_ = 0;
}
