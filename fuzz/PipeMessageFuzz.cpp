// Requests of a conversion core: whatever arrives, the handler answers with some reply and
// the task table stays consistent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/KConvertTask.h"
#include "core/KPdfCoreManager.h"

namespace {

KPdfCoreManager& Manager() {
    static KPdfCoreManager* manager = [] {
        KPdfCoreManager::Settings settings;
        settings.take_timeout = std::chrono::hours(1);
        auto* created = new KPdfCoreManager(settings);
        for (int i = 0; i < 3; ++i) {
            Json::Value record;
            record["cmd"] = "pdf_to_txt";
            created->AddTask(record);
        }
        return created;
    }();
    return *manager;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    KConvertTask handler(Manager());
    const std::string request(reinterpret_cast<const char*>(data), size);
    const std::string reply = handler.OnMessage(request.c_str());
    if (reply.empty())
        __builtin_trap();
    return 0;
}
