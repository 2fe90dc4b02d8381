#pragma once

#include <chrono>
#include <string>

class KPdfCoreManager;
class KSvrTaskMgr;

namespace cli {

// The parts of the program's start-up chain a batch needs: the log, the process-wide core
// manager with its pipe server, and the online service client when common.dat names a
// service; and, at the end, the same shutdown order as the program's.
class ConversionLink {
public:
    // Queued and running tasks got their cancel before Stop; this bounds the wait for a core
    // that does not answer.
    static constexpr auto kDrainLimit = std::chrono::seconds(10);

    ConversionLink() = default;
    ~ConversionLink();
    ConversionLink(const ConversionLink&) = delete;
    ConversionLink& operator=(const ConversionLink&) = delete;

    // False with the reason when the cores cannot be reached.
    bool Start(std::string* error);
    // No core gets work any more; waits (bounded) for the task center. False when work was
    // still running at the end.
    bool Stop();

private:
    void StartServiceClient();

    KSvrTaskMgr* service_ = nullptr;      // the process-wide client once it runs
    KPdfCoreManager* manager_ = nullptr;  // the process-wide manager once Start got that far
    bool stopped_ = false;
};

}  // namespace cli
