#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace BkJsonEx {

class Value;

// A read-only reference to a value: lookups that find what exists and never add anything. A
// missing member or element gives the empty handle, whose getters give null, 0 and false.
class ConstHandle {
public:
    ConstHandle() = default;
    explicit ConstHandle(const Value* value) : value_(value) {}

    // Empty unless the value is an object holding `key`.
    ConstHandle Find(std::string_view key) const;
    // Empty unless the value is an array and 0 <= index < its size.
    ConstHandle Find(std::int64_t index) const;

    // The characters when the value is a string, else null.
    const std::string* GetString() const;
    // A long long's value or a long's widened with its sign, else 0.
    std::int64_t GetInt64() const;
    bool HasMember(std::string_view key) const { return !Find(key).IsEmpty(); }
    // Elements of an array or members of an object; 0 for anything else.
    std::size_t Size() const;

    const Value* GetValue() const { return value_; }
    bool IsEmpty() const { return value_ == nullptr; }

private:
    const Value* value_ = nullptr;
};

}  // namespace BkJsonEx
