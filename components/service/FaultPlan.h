#pragma once

#include <json/value.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Scripted misbehaviour for testing clients: which answers the service spoils, and how.
namespace service {

enum class Route {
    kLogin,
    kConvert,
    kUpload,
    kReport,
    kProgress,
    kDownload,
    kFeedback,
    kFeedbackReport,
    kAny
};

std::optional<Route> RouteNamed(std::string_view name);

enum class Malformed { kNotJson, kEmpty, kWrongTypes, kMissingKeys, kHuge, kArray };

struct FaultAction {
    enum class Kind { kStatus, kRet, kMalformed, kStall, kCutAfter };

    static FaultAction Status(int status) { return {.kind = Kind::kStatus, .status = status}; }
    static FaultAction Ret(int ret) { return {.kind = Kind::kRet, .ret = ret}; }
    static FaultAction Spoiled(Malformed malformed) {
        return {.kind = Kind::kMalformed, .malformed = malformed};
    }
    static FaultAction Stall(int ms) { return {.kind = Kind::kStall, .stall_ms = ms}; }
    static FaultAction CutAfter(std::uint64_t bytes) {
        return {.kind = Kind::kCutAfter, .cut_after = bytes};
    }

    Kind kind = Kind::kStatus;
    int status = 500;                         // kStatus
    int ret = 0;                              // kRet
    Malformed malformed = Malformed::kEmpty;  // kMalformed
    int stall_ms = 0;                         // kStall
    std::uint64_t cut_after = 0;              // kCutAfter
};

struct FaultRule {
    Route route = Route::kAny;
    int skip = 0;    // matching requests let through first
    int times = -1;  // matching requests spoiled after those; -1: all of them
    FaultAction action;

    static FaultRule On(Route route, FaultAction action, int skip = 0, int times = -1) {
        return {.route = route, .skip = skip, .times = times, .action = action};
    }
};

struct ProgressStep {
    int progress = 0;
    int status = 1;
};

struct FaultPlan {
    std::vector<FaultRule> rules;
    std::vector<ProgressStep> progress_script;  // empty: real progress

    static FaultPlan Of(std::vector<FaultRule> rules) {
        FaultPlan plan;
        plan.rules = std::move(rules);
        return plan;
    }

    bool Empty() const { return rules.empty() && progress_script.empty(); }
};

// {"rules": [...], "progress_script": [[p, s], ...]}, or just the array of rules; see the
// README. Nullopt with the reason.
std::optional<FaultPlan> ParseFaultPlan(const Json::Value& json, std::string* error);
std::optional<FaultPlan> LoadFaultPlan(const std::filesystem::path& file, std::string* error);

}  // namespace service
