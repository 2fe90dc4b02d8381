#include "report/UsageRecord.h"

#include <utility>

#include "app/AsynLog.h"

namespace report {

UsageRecord::UsageRecord(RecordSchema schema)
    : schema_(std::move(schema)), values_(schema_.fields.size()) {}

UsageRecord UsageRecord::ForSchema(std::string_view schema_text) {
    std::string error;
    if (auto schema = ParseSchema(schema_text, &error))
        return UsageRecord(std::move(*schema));
    keasy::AsynLog::Instance().Print("UsageRecord::ForSchema bad declaration:%s, error:%s",
                                     schema_text, error);
    return UsageRecord(RecordSchema{});
}

void UsageRecord::SetStartingValues() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (schema_.fields[i].type == FieldType::String)
            values_[i] = std::string();
        else
            values_[i] = std::int64_t{0};
    }
}

SetOutcome UsageRecord::SetInt(std::string_view name, std::int32_t value) {
    return Set(name, ValueKind::Int32, std::int64_t{value});
}

SetOutcome UsageRecord::SetInt64(std::string_view name, std::int64_t value) {
    return Set(name, ValueKind::Int64, value);
}

SetOutcome UsageRecord::SetString(std::string_view name, std::string_view value) {
    return Set(name, ValueKind::Text, std::string(value));
}

const FieldValue* UsageRecord::Find(std::string_view name) const {
    const auto index = schema_.IndexOf(name);
    if (!index || !values_[*index])
        return nullptr;
    return &*values_[*index];
}

SetOutcome UsageRecord::Set(std::string_view name, ValueKind kind, FieldValue value) {
    const auto index = schema_.IndexOf(name);
    if (!index)
        return SetOutcome::UnknownField;
    if (!FieldTakes(schema_.fields[*index].type, kind))
        return SetOutcome::WrongType;
    values_[*index] = std::move(value);
    return SetOutcome::Stored;
}

}  // namespace report
