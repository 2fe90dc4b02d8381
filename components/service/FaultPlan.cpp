#include "service/FaultPlan.h"

#include <array>
#include <utility>

#include "platform/AtomicFile.h"
#include "service/Protocol.h"

namespace service {
namespace {

constexpr std::size_t kMaxPlanFile = 1024 * 1024;

constexpr std::array<std::pair<std::string_view, Route>, 9> kRoutes{{
    {"login", Route::kLogin},
    {"convert", Route::kConvert},
    {"upload", Route::kUpload},
    {"report", Route::kReport},
    {"progress", Route::kProgress},
    {"download", Route::kDownload},
    {"feedback", Route::kFeedback},
    {"feedback_report", Route::kFeedbackReport},
    {"any", Route::kAny},
}};

constexpr std::array<std::pair<std::string_view, Malformed>, 6> kMalformedKinds{{
    {"not_json", Malformed::kNotJson},
    {"empty", Malformed::kEmpty},
    {"wrong_types", Malformed::kWrongTypes},
    {"missing_keys", Malformed::kMissingKeys},
    {"huge", Malformed::kHuge},
    {"array", Malformed::kArray},
}};

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

bool ReadInt(const Json::Value& object, const char* key, int low, int* value, std::string* error) {
    const Json::Value& field = object[key];
    if (field.isNull())
        return true;
    if (!field.isInt() || field.asInt() < low)
        return Fail(error,
                    std::string("\"") + key + "\" must be an integer >= " + std::to_string(low));
    *value = field.asInt();
    return true;
}

bool ParseMalformed(const Json::Value& value, FaultAction* action, std::string* error) {
    for (const auto& [name, kind] : kMalformedKinds) {
        if (value.isString() && value.asString() == name) {
            action->kind = FaultAction::Kind::kMalformed;
            action->malformed = kind;
            return true;
        }
    }
    return Fail(error, "unknown \"malformed\" kind");
}

bool ParseAction(const Json::Value& json, FaultAction* action, std::string* error) {
    if (!json.isObject() || json.size() != 1)
        return Fail(error, "\"action\" must be an object with exactly one key");
    const std::string key = json.getMemberNames().front();
    const Json::Value& value = json[key];
    if (key == "malformed")
        return ParseMalformed(value, action, error);
    if (key == "cut_after") {
        if (!value.isUInt64())
            return Fail(error, "\"cut_after\" must be a byte count");
        action->kind = FaultAction::Kind::kCutAfter;
        action->cut_after = value.asUInt64();
        return true;
    }
    if (!value.isInt())
        return Fail(error, "\"" + key + "\" must be an integer");
    const int number = value.asInt();
    if (key == "status" && number >= 100 && number <= 599) {
        action->kind = FaultAction::Kind::kStatus;
        action->status = number;
        return true;
    }
    if (key == "ret") {
        action->kind = FaultAction::Kind::kRet;
        action->ret = number;
        return true;
    }
    if (key == "stall_ms" && number >= 0) {
        action->kind = FaultAction::Kind::kStall;
        action->stall_ms = number;
        return true;
    }
    return Fail(error, "unknown or out-of-range action \"" + key + "\"");
}

bool ParseRule(const Json::Value& json, FaultRule* rule, std::string* error) {
    if (!json.isObject())
        return Fail(error, "a rule must be an object");
    const Json::Value& route = json["route"];
    const auto named = route.isString() ? RouteNamed(route.asString()) : std::nullopt;
    if (!named)
        return Fail(error, "a rule needs a known \"route\"");
    rule->route = *named;
    return ReadInt(json, "skip", 0, &rule->skip, error) &&
           ReadInt(json, "times", -1, &rule->times, error) &&
           ParseAction(json["action"], &rule->action, error);
}

bool ParseStep(const Json::Value& json, ProgressStep* step, std::string* error) {
    if (!json.isArray() || json.size() != 2 || !json[0].isInt() || !json[1].isInt())
        return Fail(error, "a progress step must be [progress, status]");
    step->progress = json[0].asInt();
    step->status = json[1].asInt();
    if (step->progress < 0 || step->progress > 100 || step->status < 1 || step->status > 3)
        return Fail(error, "a progress step needs progress 0..100 and status 1..3");
    return true;
}

template <typename Item, typename Parse>
bool ParseList(const Json::Value& json, const char* key, Parse parse, std::vector<Item>* items,
               std::string* error) {
    const Json::Value& list = json[key];
    if (list.isNull())
        return true;
    if (!list.isArray())
        return Fail(error, std::string("\"") + key + "\" must be an array");
    for (const Json::Value& entry : list) {
        Item item;
        if (!parse(entry, &item, error))
            return false;
        items->push_back(item);
    }
    return true;
}

}  // namespace

std::optional<Route> RouteNamed(std::string_view name) {
    for (const auto& [text, route] : kRoutes) {
        if (text == name)
            return route;
    }
    return std::nullopt;
}

std::optional<FaultPlan> ParseFaultPlan(const Json::Value& json, std::string* error) {
    if (json.isArray()) {
        Json::Value wrapped(Json::objectValue);
        wrapped["rules"] = json;
        return ParseFaultPlan(wrapped, error);
    }
    if (!json.isObject()) {
        *error = "a fault plan must be a JSON object";
        return std::nullopt;
    }
    FaultPlan plan;
    if (!ParseList(json, "rules", ParseRule, &plan.rules, error) ||
        !ParseList(json, "progress_script", ParseStep, &plan.progress_script, error))
        return std::nullopt;
    return plan;
}

std::optional<FaultPlan> LoadFaultPlan(const std::filesystem::path& file, std::string* error) {
    const platform::ReadResult read = platform::ReadFileBounded(file, kMaxPlanFile);
    if (read.status != platform::ReadStatus::Ok) {
        *error = "cannot read " + file.string() +
                 (read.status == platform::ReadStatus::TooLarge ? ": too large" : "");
        return std::nullopt;
    }
    Json::Value json;
    std::string parse_error;
    if (!ParseJson(read.bytes, &json, &parse_error)) {
        *error = file.string() + ": " + parse_error;
        return std::nullopt;
    }
    auto plan = ParseFaultPlan(json, error);
    if (!plan)
        *error = file.string() + ": " + *error;
    return plan;
}

}  // namespace service
