#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/JsonValue.h"

// The leaf kinds. Numbers are read with wrapping arithmetic, as they always were: digits past
// the range of the kind wrap around instead of failing, now without undefined behaviour.
namespace BkJsonEx {

class ValueNull final : public Value {
public:
    ValueNull() : Value(Kind::kNull) {}
    using Value::Write;
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;
};

class ValueBool final : public Value {
public:
    explicit ValueBool(bool value = false) : Value(Kind::kBool), value_(value) {}
    bool value() const { return value_; }
    using Value::Write;
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    bool value_;
};

class ValueString final : public Value {
public:
    // Invalid UTF-8 and NUL bytes become U+FFFD (see CleanText).
    explicit ValueString(std::string_view text = {});
    const std::string& text() const { return text_; }
    using Value::Write;
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    std::string text_;  // valid UTF-8 without NUL
};

class ValueLong final : public Value {
public:
    explicit ValueLong(std::int32_t value = 0) : Value(Kind::kLong), value_(value) {}
    std::int32_t value() const { return value_; }
    using Value::Write;
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    std::int32_t value_;
};

class ValueLongLong final : public Value {
public:
    explicit ValueLongLong(std::int64_t value = 0) : Value(Kind::kLongLong), value_(value) {}
    std::int64_t value() const { return value_; }
    using Value::Write;
    bool Parse(Cursor& cursor) override;
    bool Write(std::string& text, bool pretty, int indent, int step) const override;

private:
    std::int64_t value_;
};

}  // namespace BkJsonEx
