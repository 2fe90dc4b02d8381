#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class KCompexGetInfo;

// What the windows know about one listed file. -1 means not known (yet).
struct FileInfoRecord {
    std::string path;
    std::string password;
    std::int64_t file_size = 0;  // 0 when the file cannot be examined
    int page_count = -1;
    int encryption = -1;
    int image_only = -1;
    int unreadable = -1;
    int cad_convertible = -1;
    int usable = 0;    // 1 once the page count is known to be above 0
    int declined = 0;  // the user refused to give the password
    int max_scale = -1;
    int max_width = 0;
    int max_height = 0;
};

// The process-wide table through which the windows start file-information queries and follow
// their results. UI thread only; the queries run on the task center's information pool.
class FileInfoCache {
public:
    // Messages to the main dialog about the conversion components.
    static constexpr int kComponentsNeeded = 2044;
    static constexpr int kComponentsFailed = 2046;

    // Where the components stand. The defaults read the update run and the program folder.
    struct Environment {
        std::function<bool()> ready;              // every component file is present
        std::function<bool()> update_started;     // this process started an update run
        std::function<bool()> update_running;     // that run has not ended
        std::function<bool()> update_mutex_held;  // some update job holds the update mutex
        std::function<void()> start_update;
        // Starts a query; the default hands it to the task center.
        std::function<void(KCompexGetInfo* query)> start_query;
    };

    static FileInfoCache& Instance();
    // The cache when a window has used it, else null.
    static FileInfoCache* Existing();
    static Environment DefaultEnvironment();

    explicit FileInfoCache(Environment environment);
    ~FileInfoCache();
    FileInfoCache(const FileInfoCache&) = delete;
    FileInfoCache& operator=(const FileInfoCache&) = delete;

    // The main dialog sets this once it exists; messages before that are logged and dropped.
    void SetMainDialogPoster(std::function<void(int message)> poster);

    void AddFiles(const std::vector<std::string>& paths);
    void FlushPending();
    void StartQuery(const std::string& path, const std::string& password = "");
    // Null when the path was never added. Collects a finished query into the record.
    const FileInfoRecord* GetRecord(const std::string& path);
    bool IsQueryPending(const std::string& path);
    void MarkDeclined(const std::string& path);
    // At shutdown: every running query is cancelled.
    void StopAll();

private:
    bool ComponentsBusy();
    void CopyFacts(KCompexGetInfo& query, FileInfoRecord& record);
    // Sends the file-load record of a finished query and drops it.
    void CollectQuery(const std::string& path, FileInfoRecord& record);
    void PostToMainDialog(int message);

    Environment environment_;
    std::function<void(int message)> post_to_main_dialog_;
    std::map<std::string, FileInfoRecord> records_;
    std::map<std::string, KCompexGetInfo*> queries_;  // each holds the cache's reference
    std::vector<std::string> pending_;  // held back while the components are not ready
};
