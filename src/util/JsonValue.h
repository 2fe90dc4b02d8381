#pragma once

#include <cstddef>
#include <string>

#include "util/JsonCursor.h"
#include "util/JsonHandle.h"

namespace BkJsonEx {

// The numbers are the ones the program has always used; 7 was never assigned. There is no kind
// for fractional numbers.
enum class Kind : int {
    kNull = 1,
    kObject = 2,
    kBool = 3,
    kString = 4,
    kLong = 5,
    kLongLong = 6,
    kArray = 8,
};

// A value of a tree. Its handle part names its container and itself, so a value can be
// navigated like any handle. Values live where they were made (in place or owned by a
// container) and are never copied or moved.
class Value : public Handle {
public:
    ~Value() override;
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;

    Kind kind() const { return kind_; }

    // Reads this kind from the cursor; false with the error recorded in the cursor when the
    // text holds no such value there.
    virtual bool Parse(Cursor& cursor) = 0;
    // Appends the value; indent is where the value's own closing bracket goes, step what each
    // level adds (both in spaces, used only when pretty).
    virtual bool Write(std::string& text, bool pretty, int indent, int step) const = 0;
    bool Write(std::string& text, bool pretty) const;

    // Same JSON meaning: same kind and payload, with a long and a long long of the same value
    // counting as equal, and members compared by key.
    bool Equals(const Value& other) const;

    // The arrays and objects above this value.
    std::size_t Depth() const;
    // The arrays and objects on the longest path down from this value, itself included: 0 for a
    // scalar, 1 for an array of scalars.
    std::size_t Height() const;

protected:
    explicit Value(Kind kind) : Handle(nullptr, this), kind_(kind) {}

private:
    friend class ValueArray;
    friend class ValueObject;

    void AttachTo(Value* parent, std::size_t index, const std::string* key);

    Kind kind_;
    std::size_t index_ = 0;             // the position in a parent array
    const std::string* key_ = nullptr;  // the key in a parent object, owned by its member map
};

}  // namespace BkJsonEx
