#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "util/JsonValue.h"

namespace BkJsonEx {

class ValueArray final : public Value {
public:
    ValueArray() : Value(Kind::kArray) {}

    std::size_t Size() const { return elements_.size(); }
    // Null beyond the end.
    const Value* At(std::size_t index) const;

    using Value::Write;
    bool Parse(Cursor& cursor) override;
    // Pretty: more than one element, or any array or object among them, puts each element on
    // its own line; a single scalar stays inline.
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    friend class Handle;

    bool ParseElements(Cursor& cursor);
    bool NeedsLines() const;
    void Append(std::unique_ptr<Value> element);
    // The element's handle, growing the array with nulls up to `index` first; the empty handle
    // when that would reach kGrowIndexLimit.
    Handle ElementOrGrow(std::size_t index);
    Handle ReplaceElement(const Value& old, std::unique_ptr<Value> fresh);

    std::vector<std::unique_ptr<Value>> elements_;
};

}  // namespace BkJsonEx
