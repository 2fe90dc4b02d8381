#include "report/RecordSchema.h"

#include <array>
#include <utility>

#include "platform/Format.h"

namespace report {
namespace {

constexpr std::array<std::pair<std::string_view, FieldType>, 6> kTypeNames{{
    {"byte", FieldType::Byte},
    {"short", FieldType::Short},
    {"int", FieldType::Int},
    {"int64", FieldType::Int64},
    {"bit", FieldType::Bit},
    {"string", FieldType::String},
}};

constexpr std::size_t kMaxIdDigits = 9;

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsName(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsNameChar(c))
            return false;
    }
    return true;
}

std::optional<int> ParseId(std::string_view text) {
    if (text.empty() || text.size() > kMaxIdDigits)
        return std::nullopt;
    int id = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        id = id * 10 + (c - '0');
    }
    return id;
}

std::optional<FieldType> ParseType(std::string_view text) {
    for (const auto& [name, type] : kTypeNames) {
        if (name == text)
            return type;
    }
    return std::nullopt;
}

// "left:right" with exactly one colon.
std::optional<std::pair<std::string_view, std::string_view>> SplitEntry(std::string_view entry) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos || entry.find(':', colon + 1) != std::string_view::npos)
        return std::nullopt;
    return std::pair{entry.substr(0, colon), entry.substr(colon + 1)};
}

std::vector<std::string_view> SplitOnSpaces(std::string_view text) {
    std::vector<std::string_view> entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = text.find(' ', start);
        entries.push_back(text.substr(start, space - start));
        if (space == std::string_view::npos)
            return entries;
        start = space + 1;
    }
}

std::optional<RecordSchema> Fail(std::string* error, std::string message) {
    if (error)
        *error = std::move(message);
    return std::nullopt;
}

// Empty on success, else what was wrong with the entry.
std::string AddField(RecordSchema& schema, std::string_view entry) {
    const auto parts = SplitEntry(entry);
    if (!parts)
        return platform::Format("entry \"%s\" is not name:type", entry);
    const auto [name, type_name] = *parts;
    if (!IsName(name))
        return platform::Format("entry \"%s\" has a bad field name", entry);
    const auto type = ParseType(type_name);
    if (!type)
        return platform::Format("entry \"%s\" has an unknown type", entry);
    if (schema.IndexOf(name))
        return platform::Format("field \"%s\" is declared twice", name);
    schema.fields.push_back({std::string(name), *type});
    return {};
}

}  // namespace

std::optional<std::size_t> RecordSchema::IndexOf(std::string_view field) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == field)
            return i;
    }
    return std::nullopt;
}

std::optional<RecordSchema> ParseSchema(std::string_view text, std::string* error) {
    if (text.size() > kMaxSchemaBytes)
        return Fail(error, platform::Format("declaration of %u bytes is too long", text.size()));
    const std::vector<std::string_view> entries = SplitOnSpaces(text);
    if (entries.size() - 1 > kMaxSchemaFields)
        return Fail(error, platform::Format("%u fields are too many", entries.size() - 1));
    const auto head = SplitEntry(entries.front());
    if (!head || !IsName(head->first))
        return Fail(error, "the declaration does not start with name:id");
    const auto id = ParseId(head->second);
    if (!id)
        return Fail(error, platform::Format("record id \"%s\" is not 1 to 9 digits", head->second));

    RecordSchema schema{std::string(text), std::string(head->first), *id, {}};
    for (std::size_t i = 1; i < entries.size(); ++i) {
        std::string problem = AddField(schema, entries[i]);
        if (!problem.empty())
            return Fail(error, std::move(problem));
    }
    return schema;
}

std::string_view FieldTypeName(FieldType type) {
    for (const auto& [name, candidate] : kTypeNames) {
        if (candidate == type)
            return name;
    }
    return "?";
}

bool FieldTakes(FieldType type, ValueKind kind) {
    switch (kind) {
        case ValueKind::Text:
            return type == FieldType::String;
        case ValueKind::Int64:
            return type == FieldType::Int64;
        case ValueKind::Int32:
            return type != FieldType::String;
    }
    return false;
}

}  // namespace report
