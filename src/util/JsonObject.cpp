#include "util/JsonObject.h"

#include "util/JsonNested.h"
#include "util/JsonScalars.h"
#include "util/JsonText.h"

namespace BkJsonEx {

const Value* ValueObject::Member(std::string_view key) const {
    const auto found = members_.find(CleanText(key));
    return found == members_.end() ? nullptr : found->second.get();
}

bool ValueObject::Parse(Cursor& cursor) {
    cursor.SkipWhiteSpace();
    if (cursor.Peek() != '{') {
        return cursor.Fail(kObjectExpected);
    }
    if (!cursor.Enter()) {
        return false;
    }
    cursor.Advance();
    const bool parsed = ParseMembers(cursor);
    cursor.Leave();
    return parsed;
}

// White space may stand between the braces of an empty object, which is how the pretty form
// writes one.
bool ValueObject::ParseMembers(Cursor& cursor) {
    cursor.SkipWhiteSpace();
    if (cursor.Take('}')) {
        return true;
    }
    while (true) {
        std::string key;
        if (!ReadString(cursor, key)) {
            return false;
        }
        cursor.SkipWhiteSpace();
        if (!cursor.Take(':')) {
            return cursor.Fail(kColonExpected);
        }
        std::unique_ptr<Value> value = ParseNestedValue(cursor);
        if (value == nullptr) {
            return false;
        }
        Put(std::move(key), std::move(value));
        cursor.SkipWhiteSpace();
        if (cursor.Take('}')) {
            return true;
        }
        if (!cursor.Take(',')) {
            return cursor.Fail(kSeparatorExpected);
        }
    }
}

bool ValueObject::Write(std::string& text, bool pretty, int indent, int step) const {
    const int inner = InnerIndent(indent, step);
    text += pretty ? "{\r\n" : "{";
    std::size_t written = 0;
    for (const auto& [key, value] : members_) {
        if (pretty) {
            AppendSpaces(text, inner);
        }
        AppendQuoted(text, key);
        text += pretty ? " : " : ":";
        value->Write(text, pretty, inner, step);
        if (++written < members_.size()) {
            text += ',';
        }
        if (pretty) {
            text += "\r\n";
        }
    }
    if (pretty) {
        AppendSpaces(text, indent);
    }
    text += '}';
    return true;
}

Handle ValueObject::Put(std::string key, std::unique_ptr<Value> value) {
    const auto slot = members_.try_emplace(std::move(key)).first;
    slot->second = std::move(value);
    slot->second->AttachTo(this, 0, &slot->first);
    return Handle(*slot->second);
}

Handle ValueObject::MemberOrAdd(std::string_view key) {
    std::string clean = CleanText(key);
    if (const auto found = members_.find(clean); found != members_.end()) {
        return Handle(*found->second);
    }
    return Put(std::move(clean), std::make_unique<ValueNull>());
}

Handle ValueObject::ReplaceMember(const Value& old, std::unique_ptr<Value> fresh) {
    return Put(*old.key_, std::move(fresh));
}

}  // namespace BkJsonEx
