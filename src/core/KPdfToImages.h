#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/ImageStatsRecord.h"
#include "core/KConvertBase.h"
#include "keasy/WorkerThread.h"
#include "platform/Paths.h"

// PDF pages to pictures. When all pages are to end up in one tall picture and the core does
// not merge (cfgdata/kpdfcore.ini, [kpdfcore] pdf_to_image other than 2), the core writes the
// pages into a private folder and this object merges them into the caller's folder on its own
// worker once the core has finished.
class KPdfToImages : public KConvertBase {
public:
    using StatsSink = std::function<void(const ImageStats&)>;

    // Merge states.
    static constexpr int kMergeNotStarted = -1;
    static constexpr int kMerging = 0;
    static constexpr int kMergeFailed = 1;
    static constexpr int kMergeDone = 2;

    explicit KPdfToImages(KPdfCoreManager* manager = KPdfCoreManager::Instance(),
                          bool core_merges = CoreMergesPages(platform::ProgramFolder()),
                          StatsSink send_stats = SendImageStats);
    // Stops a merge still running at the next picture, waits for the worker and removes the
    // private page folder if no merge took care of it.
    ~KPdfToImages() override;

    // `image_type` 10 jpg, 11 png, 12 bmp; anything else submits nothing and fails, as does a
    // page folder that cannot be created.
    bool ConvertToImages(int image_type, bool merge, const std::string& source,
                         const std::string& target_folder, float scale, int pages_per_image);

    // As KConvertBase::GetResult, but a finished job that still has to be merged here counts
    // as running until the merge ends. Sends the image statistics when new pages came out.
    int GetResult();
    // Capped at 50 until the program's own merge has ended.
    int GetProgress();
    // Also tells the image statistics that the job was cancelled.
    void Cancel();

    int MergeState() const { return merge_state_.load(); }

    // [kpdfcore] pdf_to_image of cfgdata/kpdfcore.ini in `program_folder`, default 2: the core
    // merges when it is 2.
    static bool CoreMergesPages(const std::filesystem::path& program_folder);

private:
    bool MergesHere() const { return merge_requested_ && !core_merges_; }
    int MergePollResult();
    void MergePages();
    void NoteImageCounters(int poll_result);
    static std::optional<std::filesystem::path> CreatePageFolder();

    const bool core_merges_;
    const StatsSink send_stats_;
    bool merge_requested_ = false;
    int image_type_ = 0;
    // Written by the merge worker, read by the polling thread.
    std::atomic<int> merge_state_{kMergeNotStarted};
    std::atomic<bool> stop_merge_{false};  // set by the destructor, read by the merge worker
    // Set by ConvertToImages before the merge is posted, read-only afterwards.
    std::filesystem::path page_folder_;
    std::filesystem::path target_folder_;
    int highest_index_ = 0;             // polling thread only
    keasy::WorkerThread merge_worker_;  // last: destroyed first, while the members above live
};
