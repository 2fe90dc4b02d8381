#include "util/JsonNested.h"

#include <cstddef>

#include "util/JsonArray.h"
#include "util/JsonObject.h"
#include "util/JsonScalars.h"

namespace BkJsonEx {
namespace {

// Null when no kind starts with `first`.
std::unique_ptr<Value> ValueStartingWith(char first) {
    switch (first) {
        case '"':
            return MakeValue(Kind::kString);
        case '[':
            return MakeValue(Kind::kArray);
        case '{':
            return MakeValue(Kind::kObject);
        case 't':
        case 'f':
            return MakeValue(Kind::kBool);
        case 'n':
            return MakeValue(Kind::kNull);
        default:
            break;
    }
    if (first == '-' || (first >= '0' && first <= '9')) {
        return MakeValue(Kind::kLongLong);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Value> MakeValue(Kind kind) {
    switch (kind) {
        case Kind::kNull:
            return std::make_unique<ValueNull>();
        case Kind::kObject:
            return std::make_unique<ValueObject>();
        case Kind::kBool:
            return std::make_unique<ValueBool>();
        case Kind::kString:
            return std::make_unique<ValueString>();
        case Kind::kLong:
            return std::make_unique<ValueLong>();
        case Kind::kLongLong:
            return std::make_unique<ValueLongLong>();
        case Kind::kArray:
            return std::make_unique<ValueArray>();
    }
    return std::make_unique<ValueNull>();  // only for a number cast to Kind from outside the list
}

std::unique_ptr<Value> ParseNestedValue(Cursor& cursor) {
    cursor.SkipWhiteSpace();
    const std::size_t start = cursor.Position();
    std::unique_ptr<Value> value = cursor.AtEnd() ? nullptr : ValueStartingWith(cursor.Peek());
    if (value != nullptr && value->Parse(cursor)) {
        return value;
    }
    if (!cursor.HasError()) {
        cursor.FailAt(kValueExpected, start);
    }
    return nullptr;
}

}  // namespace BkJsonEx
