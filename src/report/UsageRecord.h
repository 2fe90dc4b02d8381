#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "report/RecordSchema.h"

namespace report {

// Integer fields of every width hold an int64_t; string fields a UTF-8 std::string.
using FieldValue = std::variant<std::int64_t, std::string>;

enum class SetOutcome { Stored, UnknownField, WrongType };

// The values of one record, checked against its declaration. A field nobody set stays unset
// and is left out of whatever the record is turned into.
class UsageRecord {
public:
    explicit UsageRecord(RecordSchema schema);

    // For the program's own declarations (report/Schemas.h), which are known to parse. A text
    // that does not parse anyway is logged and gives a record with an empty declaration, which
    // the reporter refuses to begin, so nothing wrong is ever sent.
    static UsageRecord ForSchema(std::string_view schema_text);

    // Every number 0 and every text empty, as records that list all their fields start.
    void SetStartingValues();

    SetOutcome SetInt(std::string_view name, std::int32_t value);
    SetOutcome SetInt64(std::string_view name, std::int64_t value);
    SetOutcome SetString(std::string_view name, std::string_view value);

    const RecordSchema& schema() const { return schema_; }
    // One entry per declared field, in declaration order.
    const std::vector<std::optional<FieldValue>>& values() const { return values_; }
    // Nullptr when the record has no such field or it was not set.
    const FieldValue* Find(std::string_view name) const;

    // Hands every set field, in declaration order, to `target` with the operation of its
    // declared type: SetString for strings, SetInt64 for int64 fields, SetInt otherwise.
    template <typename Target>
    void ReplayInto(Target& target) const {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if (!values_[i])
                continue;
            const FieldDeclaration& field = schema_.fields[i];
            if (const auto* text = std::get_if<std::string>(&*values_[i]))
                target.SetString(field.name, *text);
            else if (field.type == FieldType::Int64)
                target.SetInt64(field.name, std::get<std::int64_t>(*values_[i]));
            else
                target.SetInt(field.name,
                              static_cast<std::int32_t>(std::get<std::int64_t>(*values_[i])));
        }
    }

private:
    SetOutcome Set(std::string_view name, ValueKind kind, FieldValue value);

    RecordSchema schema_;
    std::vector<std::optional<FieldValue>> values_;
};

}  // namespace report
