#pragma once

#include <memory>

#include "util/JsonValue.h"

namespace BkJsonEx {

// An empty value of `kind`: a null, false, "", 0, [] or {}.
std::unique_ptr<Value> MakeValue(Kind kind);

// An array element or member value, its kind chosen by its first character after white space.
// Null on failure, with the value's own error recorded, or kValueExpected at its start when it
// recorded none.
std::unique_ptr<Value> ParseNestedValue(Cursor& cursor);

}  // namespace BkJsonEx
