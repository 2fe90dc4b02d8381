#pragma once

#include <functional>
#include <map>
#include <string>

class KCompexGetInfo;
class KPdfCoreManager;

namespace cli {

// What the file-information query learned about one document. -1 (0 for the sizes) means not
// known.
struct DocumentFacts {
    bool answered = false;  // the core answered the query
    int page_count = -1;
    int encrypted = -1;
    int image_only = -1;
    int unreadable = -1;
    int max_width = 0;  // the largest page, in pixels at scale 1
    int max_height = 0;
    std::string error;  // the core's text, when it gave one
};

// The program's file-information queries (KCompexGetInfo on the task center's information
// pool) for a batch's files, all running at once.
class FileFactsQuery {
public:
    // True when an interruption came; never waits.
    using InterruptCheck = std::function<bool()>;

    // `manager` null means the process-wide one.
    explicit FileFactsQuery(KPdfCoreManager* manager = nullptr);
    // Cancels the queries still running and drops them.
    ~FileFactsQuery();
    FileFactsQuery(const FileFactsQuery&) = delete;
    FileFactsQuery& operator=(const FileFactsQuery&) = delete;

    // Starts the query of `path` unless it runs already.
    void Add(const std::string& path, const std::string& password);
    // Until every query ended; false when `interrupted` reported an interruption first.
    bool Wait(const InterruptCheck& interrupted);
    // The facts of an added path; not answered when it was not added or did not end.
    DocumentFacts FactsOf(const std::string& path);

private:
    KPdfCoreManager* manager_;
    std::map<std::string, KCompexGetInfo*> queries_;  // the caller's thread; one reference each
};

}  // namespace cli
