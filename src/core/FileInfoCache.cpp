#include "core/FileInfoCache.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/AsynLog.h"
#include "core/KCompexGetInfo.h"
#include "platform/NamedMutex.h"
#include "platform/Text.h"
#include "report/ResultRecord.h"
#include "system/ComponentFiles.h"
#include "system/KUpdateModules.h"
#include "tasks/KTaskCenter.h"

namespace {

// Files that have one page by nature and are never asked about.
constexpr std::array<std::string_view, 10> kSinglePageExtensions = {
    "jpg", "png", "bmp", "jpeg", "tif", "tiff", "gif", "dwg", "dxf", "txt"};

std::string LowerExtension(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : platform::AsciiToLower(name.substr(dot + 1));
}

bool IsSinglePageFile(const std::string& path) {
    const std::string extension = LowerExtension(path);
    for (std::string_view single : kSinglePageExtensions) {
        if (extension == single)
            return true;
    }
    return false;
}

std::int64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

void SendFileLoad(const FileInfoRecord& record, const KCompexGetInfo* query) {
    report::FileLoadFacts facts;
    facts.path = record.path;
    facts.size = record.file_size;
    facts.page_count = record.page_count;
    facts.encryption = record.encryption;
    facts.is_image_pdf = record.image_only;
    if (query)
        facts.query = report::TaskTimes{query->StartTime(), query->PhaseTime(), query->EndTime()};
    report::SendFileLoadRecord(facts);
}

}  // namespace

namespace {

FileInfoCache* g_existing = nullptr;  // UI thread only, like the cache

}  // namespace

FileInfoCache& FileInfoCache::Instance() {
    static FileInfoCache* const instance = [] {
        g_existing = new FileInfoCache(DefaultEnvironment());
        return g_existing;
    }();
    return *instance;
}

FileInfoCache* FileInfoCache::Existing() {
    return g_existing;
}

FileInfoCache::Environment FileInfoCache::DefaultEnvironment() {
    Environment environment;
    environment.ready = [] { return components::ComponentsPresent(); };
    environment.update_started = [] { return KUpdateModules::Instance().WasStarted(); };
    environment.update_running = [] { return !KUpdateModules::Instance().IsFinished(); };
    environment.update_mutex_held = [] {
        return platform::NamedMutex::IsHeld(components::kUpdateMutexName);
    };
    environment.start_update = [] { StartUpdateIfNeeded(); };
    environment.start_query = [](KCompexGetInfo* query) { query->Start(); };
    return environment;
}

FileInfoCache::FileInfoCache(Environment environment) : environment_(std::move(environment)) {}

FileInfoCache::~FileInfoCache() {
    for (auto& [path, query] : queries_)
        query->Release();
}

void FileInfoCache::SetMainDialogPoster(std::function<void(int message)> poster) {
    post_to_main_dialog_ = std::move(poster);
}

void FileInfoCache::PostToMainDialog(int message) {
    if (!post_to_main_dialog_) {
        keasy::AsynLog::Instance().Print("FileInfoCache message:%d dropped, no main dialog",
                                         message);
        return;
    }
    post_to_main_dialog_(message);
}

bool FileInfoCache::ComponentsBusy() {
    return environment_.update_mutex_held() ||
           (environment_.update_running() && !environment_.ready());
}

void FileInfoCache::AddFiles(const std::vector<std::string>& paths) {
    if (environment_.update_started() && !environment_.update_running() && !environment_.ready()) {
        PostToMainDialog(kComponentsFailed);
        return;
    }
    if (ComponentsBusy()) {
        pending_.insert(pending_.end(), paths.begin(), paths.end());
        PostToMainDialog(kComponentsNeeded);
        return;
    }
    if (environment_.ready()) {
        for (const auto& path : paths)
            StartQuery(path);
        return;
    }
    environment_.start_update();
    pending_.insert(pending_.end(), paths.begin(), paths.end());
    PostToMainDialog(kComponentsNeeded);
}

void FileInfoCache::FlushPending() {
    if (pending_.empty())
        return;
    // AddFiles may hold the paths back again, so it must not append to the list it reads.
    const std::vector<std::string> paths = std::move(pending_);
    pending_.clear();
    AddFiles(paths);
}

void FileInfoCache::StartQuery(const std::string& path, const std::string& password) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return;
    FileInfoRecord& record = records_[path];
    record.path = path;
    record.declined = 0;
    record.file_size = FileSize(path);

    if (IsSinglePageFile(path)) {
        record.page_count = 1;
        record.usable = 1;
        SendFileLoad(record, nullptr);
        return;
    }
    if (const auto running = queries_.find(path); running != queries_.end()) {
        if (running->second->GetResult() < 0)
            return;
        CopyFacts(*running->second, record);
        CollectQuery(path, record);
    }
    auto* query = new KCompexGetInfo(LowerExtension(path) == "pdf", path);
    if (!password.empty()) {
        record.password = password;
        query->SetPassword(password);
    }
    queries_[path] = query;
    environment_.start_query(query);
}

void FileInfoCache::CopyFacts(KCompexGetInfo& query, FileInfoRecord& record) {
    record.page_count = query.GetInt("page_count", -1);
    record.encryption = query.GetInt("encrypt", -1);
    record.image_only = query.GetInt("is_image_pdf", -1);
    record.unreadable = query.GetInt("is_unreadable_pdf", -1);
    record.cad_convertible = query.GetInt("pdf_canto_cad", -1);
    record.max_scale = query.GetInt("max_scale", -1);
    record.max_width = query.GetInt("max_width", 0);
    record.max_height = query.GetInt("max_height", 0);
}

void FileInfoCache::CollectQuery(const std::string& path, FileInfoRecord& record) {
    const auto query = queries_.find(path);
    SendFileLoad(record, query->second);
    query->second->Release();
    queries_.erase(query);
}

const FileInfoRecord* FileInfoCache::GetRecord(const std::string& path) {
    const auto found = records_.find(path);
    if (found == records_.end())
        return nullptr;
    FileInfoRecord& record = found->second;
    const auto query = queries_.find(path);
    if (query == queries_.end())
        return &record;
    CopyFacts(*query->second, record);
    if (query->second->GetResult() >= 0) {
        record.usable = record.page_count > 0 ? 1 : 0;
        CollectQuery(path, record);
    }
    return &record;
}

bool FileInfoCache::IsQueryPending(const std::string& path) {
    if (ComponentsBusy() && std::find(pending_.begin(), pending_.end(), path) != pending_.end())
        return true;
    const auto query = queries_.find(path);
    return query != queries_.end() && query->second->GetResult() < 0;
}

void FileInfoCache::MarkDeclined(const std::string& path) {
    const auto found = records_.find(path);
    if (found != records_.end())
        found->second.declined = 1;
}

void FileInfoCache::StopAll() {
    for (auto& [path, query] : queries_)
        query->Cancel();
}
