#include "tasks/KTaskCenter.h"

#include <algorithm>
#include <atomic>

#include "app/AsynLog.h"
#include "keasy/ClassFunc.h"
#include "tasks/ICvtTask.h"

namespace {

std::atomic<KTaskCenter*> g_existing{nullptr};  // set once, when Instance() first builds it

}  // namespace

KTaskCenter& KTaskCenter::Instance() {
    static KTaskCenter* const instance = [] {
        auto* created = new KTaskCenter();
        g_existing = created;
        return created;
    }();
    return *instance;
}

KTaskCenter* KTaskCenter::Existing() {
    return g_existing.load();
}

KTaskCenter::KTaskCenter() {
    if (!information_pool_.Start())
        keasy::AsynLog::Instance().Print("KTaskCenter start information pool fail");
    if (!conversion_pool_.Start())
        keasy::AsynLog::Instance().Print("KTaskCenter start conversion pool fail");
}

void KTaskCenter::Run(ICvtTask* task) {
    task->Run();
    task->Release();
}

void KTaskCenter::PostConversion(ICvtTask* task) {
    conversion_pool_.Post(keasy::MakeClassFunc(this, &KTaskCenter::Run, task));
}

void KTaskCenter::SubmitInformation(ICvtTask* task) {
    task->AddRef();
    information_pool_.Post(keasy::MakeClassFunc(this, &KTaskCenter::Run, task));
}

bool KTaskCenter::WaitIdleFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const bool information_idle = information_pool_.WaitIdleFor(limit);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const bool conversion_idle =
        conversion_pool_.WaitIdleFor(std::max(left, std::chrono::milliseconds(0)));
    if (!information_idle || !conversion_idle)
        keasy::AsynLog::Instance().Print(
            "KTaskCenter wait idle timeout, information:%d, conversion:%d",
            information_idle ? 1 : 0, conversion_idle ? 1 : 0);
    return information_idle && conversion_idle;
}
