#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "util/JsonConstHandle.h"

namespace BkJsonEx {

class Value;

// A light reference to a value of a tree and the container holding it. It owns nothing, is
// copied freely and stays valid until that value is replaced or its tree destroyed. A tree and
// its handles belong to one thread at a time.
//
// Navigation through operator[] creates what it reaches, as the program's callers expect;
// Find() and the getters never change the tree. A handle with no value (IsEmpty) navigates to
// itself.
class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = default;
    Handle& operator=(const Handle&) = default;
    virtual ~Handle();

    // The member `key` of an object; a missing member is first added as a null. A value that is
    // not an object is first replaced in its container by an empty object; a value without a
    // container (a root) is not replaced and gives the empty handle.
    Handle operator[](std::string_view key);
    // The element `index` of an array, the same way. An index at or beyond the end first
    // extends the array with nulls, up to kGrowIndexLimit; a negative index, or one that would
    // grow the array further, gives the empty handle and changes nothing.
    Handle operator[](std::int64_t index);

    // Puts `fresh` where this handle's value is, in its container, and returns the handle of
    // the new value. Empty handle and nothing replaced for a root, a null `fresh`, or when the
    // tree would nest deeper than kMaxDepth.
    Handle Replace(std::unique_ptr<Value> fresh);

    ConstHandle AsConst() const { return ConstHandle(value_); }
    ConstHandle Find(std::string_view key) const { return AsConst().Find(key); }
    ConstHandle Find(std::int64_t index) const { return AsConst().Find(index); }
    const std::string* GetString() const { return AsConst().GetString(); }
    std::int64_t GetInt64() const { return AsConst().GetInt64(); }
    bool HasMember(std::string_view key) const { return AsConst().HasMember(key); }

    Value* GetValue() const { return value_; }
    Value* GetParent() const { return parent_; }
    bool IsEmpty() const { return value_ == nullptr; }

protected:
    Handle(Value* parent, Value* value) : parent_(parent), value_(value) {}

    Value* parent_ = nullptr;  // the array or object holding value_; null for a root
    Value* value_ = nullptr;
};

}  // namespace BkJsonEx
