#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "util/JsonValue.h"

namespace BkJsonEx {

// Members are kept, and written, in the byte order of their keys. Keys are clean text (see
// CleanText); a key given with invalid UTF-8 is cleaned the same way before it is looked up.
class ValueObject final : public Value {
public:
    using Members = std::map<std::string, std::unique_ptr<Value>, std::less<>>;

    ValueObject() : Value(Kind::kObject) {}

    std::size_t Size() const { return members_.size(); }
    const Members& GetMembers() const { return members_; }
    // Null when there is no such member.
    const Value* Member(std::string_view key) const;

    using Value::Write;
    // A key that occurs twice keeps the later value.
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    friend class Handle;

    bool ParseMembers(Cursor& cursor);
    // Adds the member, or replaces the value of the one with that key.
    Handle Put(std::string key, std::unique_ptr<Value> value);
    Handle MemberOrAdd(std::string_view key);
    Handle ReplaceMember(const Value& old, std::unique_ptr<Value> fresh);

    Members members_;
};

}  // namespace BkJsonEx
