#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A usage record's declaration: "name:id field:type field:type ...". The field list fixes the
// order in which values are recorded and the type each value must have.
namespace report {

enum class FieldType { Byte, Short, Int, Int64, Bit, String };

// The kind of value a sender hands in, as opposed to the declared width of the field.
enum class ValueKind { Int32, Int64, Text };

struct FieldDeclaration {
    std::string name;
    FieldType type = FieldType::Int;
};

struct RecordSchema {
    std::string text;  // the declaration exactly as given
    std::string name;
    int id = 0;
    std::vector<FieldDeclaration> fields;

    // Position of the field in `fields`, nullopt when the record has no such field.
    std::optional<std::size_t> IndexOf(std::string_view field) const;
};

// Declarations come from our own constants, so the bounds only guard against garbage.
inline constexpr std::size_t kMaxSchemaBytes = 4096;
inline constexpr std::size_t kMaxSchemaFields = 128;

// Nullopt when `text` is not a declaration: names are non-empty runs of ASCII letters, digits
// and '_', the id is 1 to 9 decimal digits, entries are separated by exactly one space, each
// field appears once and its type is one of byte, short, int, int64, bit, string. `error`
// receives what was wrong, for the log.
std::optional<RecordSchema> ParseSchema(std::string_view text, std::string* error = nullptr);

std::string_view FieldTypeName(FieldType type);

// A 32-bit value may go into any integer field (an int64 field takes the low 32 bits in
// editions without 64-bit values); a 64-bit value only into an int64 field; text only into a
// string field.
bool FieldTakes(FieldType type, ValueKind kind);

}  // namespace report
