#include "cli/FileFactsQuery.h"

#include <algorithm>
#include <cstdint>

#include "core/FileTypeCodes.h"
#include "core/KCompexGetInfo.h"
#include "tasks/TaskResultSignal.h"

namespace cli {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

}  // namespace

FileFactsQuery::FileFactsQuery(KPdfCoreManager* manager) : manager_(manager) {}

FileFactsQuery::~FileFactsQuery() {
    for (auto& [path, query] : queries_) {
        query->Cancel();
        query->Release();
    }
}

void FileFactsQuery::Add(const std::string& path, const std::string& password) {
    if (queries_.contains(path))
        return;
    auto* query = new KCompexGetInfo(file_types::LowerExtension(path) == "pdf", path, manager_);
    query->SetPassword(password);
    query->Start();
    queries_[path] = query;
}

bool FileFactsQuery::Wait(const InterruptCheck& interrupted) {
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        const bool running = std::any_of(queries_.begin(), queries_.end(), [](const auto& entry) {
            return entry.second->GetResult() < 0;
        });
        if (!running)
            return true;
        TaskResultSignal().WaitFor(seen, kPollInterval);
        if (interrupted())
            return false;
    }
}

DocumentFacts FileFactsQuery::FactsOf(const std::string& path) {
    DocumentFacts facts;
    const auto found = queries_.find(path);
    if (found == queries_.end() || found->second->GetResult() < 0)
        return facts;
    KCompexGetInfo& query = *found->second;
    facts.error = query.GetErrorMsg();
    if (query.GetResult() != 1)
        return facts;
    facts.answered = true;
    facts.page_count = query.GetInt("page_count", -1);
    facts.encrypted = query.GetInt("encrypt", -1);
    facts.image_only = query.GetInt("is_image_pdf", -1);
    facts.unreadable = query.GetInt("is_unreadable_pdf", -1);
    facts.max_width = query.GetInt("max_width", 0);
    facts.max_height = query.GetInt("max_height", 0);
    return facts;
}

}  // namespace cli
