#include "util/JsonValue.h"

#include <algorithm>

#include "util/JsonArray.h"
#include "util/JsonLimits.h"
#include "util/JsonObject.h"
#include "util/JsonScalars.h"

namespace BkJsonEx {
namespace {

bool IsNumber(Kind kind) {
    return kind == Kind::kLong || kind == Kind::kLongLong;
}

bool ArraysEqual(const ValueArray& a, const ValueArray& b) {
    if (a.Size() != b.Size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Size(); ++i) {
        if (!a.At(i)->Equals(*b.At(i))) {
            return false;
        }
    }
    return true;
}

bool ObjectsEqual(const ValueObject& a, const ValueObject& b) {
    return std::equal(a.GetMembers().begin(), a.GetMembers().end(), b.GetMembers().begin(),
                      b.GetMembers().end(), [](const auto& left, const auto& right) {
                          return left.first == right.first && left.second->Equals(*right.second);
                      });
}

}  // namespace

Value::~Value() = default;

bool Value::Write(std::string& text, bool pretty) const {
    return Write(text, pretty, 0, kPrettyStep);
}

bool Value::Equals(const Value& other) const {
    if (IsNumber(kind_) && IsNumber(other.kind_)) {
        return GetInt64() == other.GetInt64();
    }
    if (kind_ != other.kind_) {
        return false;
    }
    switch (kind_) {
        case Kind::kBool:
            return static_cast<const ValueBool&>(*this).value() ==
                   static_cast<const ValueBool&>(other).value();
        case Kind::kString:
            return *GetString() == *other.GetString();
        case Kind::kArray:
            return ArraysEqual(static_cast<const ValueArray&>(*this),
                               static_cast<const ValueArray&>(other));
        case Kind::kObject:
            return ObjectsEqual(static_cast<const ValueObject&>(*this),
                                static_cast<const ValueObject&>(other));
        default:
            return true;  // nulls
    }
}

std::size_t Value::Depth() const {
    std::size_t depth = 0;
    for (const Value* above = parent_; above != nullptr; above = above->parent_) {
        ++depth;
    }
    return depth;
}

std::size_t Value::Height() const {
    std::size_t below = 0;
    if (kind_ == Kind::kArray) {
        const auto& array = static_cast<const ValueArray&>(*this);
        for (std::size_t i = 0; i < array.Size(); ++i) {
            below = std::max(below, array.At(i)->Height());
        }
    } else if (kind_ == Kind::kObject) {
        for (const auto& member : static_cast<const ValueObject&>(*this).GetMembers()) {
            below = std::max(below, member.second->Height());
        }
    } else {
        return 0;
    }
    return below + 1;
}

void Value::AttachTo(Value* parent, std::size_t index, const std::string* key) {
    parent_ = parent;
    index_ = index;
    key_ = key;
}

}  // namespace BkJsonEx
