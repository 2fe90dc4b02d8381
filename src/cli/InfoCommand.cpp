#include "cli/InfoCommand.h"

#include <filesystem>

#include "platform/Format.h"

namespace cli {

InfoCommand::InfoCommand(ProgressView& view, FileFactsQuery::InterruptCheck interrupted)
    : view_(view), interrupted_(std::move(interrupted)) {}

bool InfoCommand::Run(const std::vector<std::string>& files, const std::string& password) {
    FileFactsQuery query;
    std::vector<std::string> queried;
    bool all_answered = true;
    for (const std::string& file : files) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) {
            view_.Failed(file + ": file not found");
            all_answered = false;
            continue;
        }
        query.Add(std::filesystem::absolute(file, error).string(), password);
        queried.push_back(file);
    }
    if (!query.Wait(interrupted_)) {
        view_.Failed("cancelled");
        return false;
    }
    for (const std::string& file : queried) {
        std::error_code error;
        const DocumentFacts facts = query.FactsOf(std::filesystem::absolute(file, error).string());
        if (facts.answered) {
            view_.Succeeded(FactsLine(file, facts));
            continue;
        }
        all_answered = false;
        view_.Failed(file + ": 获取信息失败" +
                     (facts.error.empty() ? "" : " (" + facts.error + ")"));
    }
    return all_answered;
}

std::string InfoCommand::FactsLine(const std::string& file, const DocumentFacts& facts) {
    return platform::Format("%s: pages=%d encrypted=%d image=%d unreadable=%d", file,
                            facts.page_count, facts.encrypted, facts.image_only, facts.unreadable);
}

}  // namespace cli
