#pragma once

#include <json/value.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "core/JsonWire.h"
#include "core/KPdfCoreManager.h"

// A manager that is never initialised: it starts no core, so a submitted job stays waiting
// (and alive) until the test sets its values the way a core's "notify" would.
inline std::unique_ptr<KPdfCoreManager> IdleManager(
    std::chrono::milliseconds take_timeout = std::chrono::seconds(30)) {
    KPdfCoreManager::Settings settings;
    settings.pipe_library = "/nonexistent/libquire-pipe.so";
    settings.core_executable = "/nonexistent/quire-core";
    settings.may_start_cores_at_init = [] { return false; };
    settings.take_timeout = take_timeout;
    return std::make_unique<KPdfCoreManager>(settings);
}

// The record a job was stored with, parsed back; nullopt when there is none.
inline std::optional<Json::Value> StoredRecord(KPdfCoreManager& manager, int task_id) {
    const auto text = manager.GetTaskParam(task_id);
    Json::Value record;
    if (!text || !json_wire::Parse(*text, &record))
        return std::nullopt;
    return record;
}

inline Json::Value ParseJson(const std::string& text) {
    Json::Value value;
    json_wire::Parse(text, &value);
    return value;
}
