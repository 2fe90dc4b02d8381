#include "core/KCompexGetInfo.h"

#include <array>
#include <chrono>
#include <cstdint>

#include "core/KGetInfo.h"
#include "core/KPdfCoreManager.h"
#include "tasks/KTaskCenter.h"
#include "tasks/TaskResultSignal.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

// The facts whose unknown value is -1, with the key each is published under.
struct Fact {
    const char* core_key;
    const char* task_key;
};
constexpr std::array<Fact, 6> kFacts = {{{"page_count", "page_count"},
                                         {"is_encrypted", "encrypt"},
                                         {"is_image_pdf", "is_image_pdf"},
                                         {"is_unreadable_pdf", "is_unreadable_pdf"},
                                         {"pdf_canto_cad", "pdf_canto_cad"},
                                         {"max_scale", "max_scale"}}};

KPdfCoreManager* ManagerOrDefault(KPdfCoreManager* manager) {
    return manager ? manager : KPdfCoreManager::Instance();
}

}  // namespace

KCompexGetInfo::KCompexGetInfo(bool is_pdf, std::string path, KPdfCoreManager* manager)
    : ICvtTask(nullptr), is_pdf_(is_pdf), path_(std::move(path)), manager_(manager) {}

void KCompexGetInfo::Start() {
    KTaskCenter::Instance().SubmitInformation(this);
}

void KCompexGetInfo::DoWork() {
    if (IsCancelled()) {
        SetResult(0);
        return;
    }
    SetResult(-1);
    KGetInfo operation(ManagerOrDefault(manager_));
    operation.SetPassword(Password());
    if (!operation.GetFileInfo(path_)) {
        SetErrorMsg(operation.GetError());
        SetResult(0);
        return;
    }
    std::array<int, kFacts.size()> kept;
    kept.fill(-1);
    int width = 0;
    int height = 0;
    bool succeeded = false;
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        // Facts go out one by one as the core reports them.
        for (std::size_t i = 0; i < kFacts.size(); ++i) {
            if (kept[i] != -1)
                continue;
            kept[i] = operation.GetIntValue(kFacts[i].core_key, -1);
            if (kept[i] != -1)
                SetValue(kFacts[i].task_key, kept[i]);
        }
        if (width == 0) {
            width = operation.GetIntValue("max_width", 0);
            if (width != 0 && kept.back() != 0)
                SetValue("max_width", width);
        }
        if (height == 0) {
            height = operation.GetIntValue("max_height", 0);
            if (height != 0)
                SetValue("max_height", height);
        }
        if (operation.GetResult() != -1) {
            for (const Fact& fact : kFacts)
                SetValue(fact.task_key, operation.GetIntValue(fact.core_key, -1));
            SetValue("max_width", operation.GetIntValue("max_width", 0));
            SetValue("max_height", operation.GetIntValue("max_height", 0));
            succeeded = true;
            break;
        }
        // The core's task is left to finish; its facts are simply not waited for.
        if (IsCancelled())
            break;
        TaskResultSignal().WaitFor(seen, kPollInterval);
    }
    SetErrorMsg(operation.GetError());
    SetResult(succeeded ? 1 : 0);
}

bool QueryFileInfo(const std::string& path, const std::function<bool()>& cancelled,
                   FileFacts* facts, std::string* error, KPdfCoreManager* manager) {
    *facts = FileFacts{};
    KGetInfo operation(ManagerOrDefault(manager));
    if (!operation.GetFileInfo(path))
        return false;
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        if (operation.GetResult() != -1) {
            facts->encrypted = operation.GetIntValue("is_encrypted", -1);
            facts->page_count = operation.GetIntValue("page_count", -1);
            facts->image_only = operation.GetIntValue("is_image_pdf", -1);
            facts->unreadable = operation.GetIntValue("is_unreadable_pdf", -1);
            break;
        }
        TaskResultSignal().WaitFor(seen, kPollInterval);
        if (cancelled && cancelled()) {
            operation.Cancel();
            break;
        }
    }
    if (error)
        *error = operation.GetError();
    return facts->page_count != -1 || facts->encrypted != -1 || facts->image_only != -1 ||
           facts->unreadable != -1;
}
