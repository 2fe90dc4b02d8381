#include "util/JsonScalars.h"

#include "util/JsonText.h"

namespace BkJsonEx {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// An optional "-" and decimal digits, up to the first non-digit. The sum is kept unsigned so
// that wrapping is defined; the caller keeps as many low bits as its kind holds.
bool ReadInteger(Cursor& cursor, std::uint64_t& bits) {
    const bool negative = cursor.Peek() == '-';
    if (negative && cursor.Left() == 1) {
        return cursor.Fail(kMinusAtEnd);
    }
    if (negative) {
        cursor.Advance();
    }
    if (!IsDigit(cursor.Peek())) {
        return false;
    }
    std::uint64_t sum = 0;
    for (; IsDigit(cursor.Peek()); cursor.Advance()) {
        sum = sum * 10 + static_cast<std::uint64_t>(cursor.Peek() - '0');
    }
    bits = negative ? 0 - sum : sum;
    return true;
}

}  // namespace

bool ValueNull::Parse(Cursor& cursor) {
    return cursor.TakeWord("null");
}

bool ValueNull::Write(std::string& text, bool, int, int) const {
    text += "null";
    return true;
}

bool ValueBool::Parse(Cursor& cursor) {
    if (cursor.TakeWord("true")) {
        value_ = true;
        return true;
    }
    value_ = false;
    return cursor.TakeWord("false");
}

bool ValueBool::Write(std::string& text, bool, int, int) const {
    text += value_ ? "true" : "false";
    return true;
}

ValueString::ValueString(std::string_view text) : Value(Kind::kString), text_(CleanText(text)) {}

bool ValueString::Parse(Cursor& cursor) {
    text_.clear();
    return ReadString(cursor, text_);
}

bool ValueString::Write(std::string& text, bool, int, int) const {
    AppendQuoted(text, text_);
    return true;
}

bool ValueLong::Parse(Cursor& cursor) {
    std::uint64_t bits = 0;
    if (!ReadInteger(cursor, bits)) {
        return false;
    }
    value_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
    return true;
}

bool ValueLong::Write(std::string& text, bool, int, int) const {
    text += std::to_string(value_);
    return true;
}

bool ValueLongLong::Parse(Cursor& cursor) {
    std::uint64_t bits = 0;
    if (!ReadInteger(cursor, bits)) {
        return false;
    }
    value_ = static_cast<std::int64_t>(bits);
    return true;
}

bool ValueLongLong::Write(std::string& text, bool, int, int) const {
    text += std::to_string(value_);
    return true;
}

}  // namespace BkJsonEx
