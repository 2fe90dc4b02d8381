#include "util/JsonHandle.h"

#include "util/JsonArray.h"
#include "util/JsonLimits.h"
#include "util/JsonObject.h"

namespace BkJsonEx {

Handle::~Handle() = default;

// When this handle is the value itself, replacing it destroys *this; from then on only the
// copies and the returned handle are touched.
Handle Handle::operator[](std::string_view key) {
    if (value_ == nullptr) {
        return {};
    }
    if (value_->kind() == Kind::kObject) {
        return static_cast<ValueObject*>(value_)->MemberOrAdd(key);
    }
    const std::string owned_key(key);  // `key` may lie inside the value about to be replaced
    Handle object = Handle(*this).Replace(std::make_unique<ValueObject>());
    if (object.IsEmpty()) {
        return {};
    }
    return static_cast<ValueObject*>(object.value_)->MemberOrAdd(owned_key);
}

Handle Handle::operator[](std::int64_t index) {
    if (value_ == nullptr || index < 0) {
        return {};
    }
    const auto at = static_cast<std::size_t>(index);
    if (value_->kind() == Kind::kArray) {
        return static_cast<ValueArray*>(value_)->ElementOrGrow(at);
    }
    if (at >= kGrowIndexLimit) {
        return {};  // refused before anything is replaced
    }
    Handle array = Handle(*this).Replace(std::make_unique<ValueArray>());
    if (array.IsEmpty()) {
        return {};
    }
    return static_cast<ValueArray*>(array.value_)->ElementOrGrow(at);
}

Handle Handle::Replace(std::unique_ptr<Value> fresh) {
    if (value_ == nullptr || parent_ == nullptr || fresh == nullptr) {
        return {};
    }
    if (value_->Depth() + fresh->Height() > kMaxDepth) {
        return {};
    }
    if (parent_->kind() == Kind::kArray) {
        return static_cast<ValueArray*>(parent_)->ReplaceElement(*value_, std::move(fresh));
    }
    return static_cast<ValueObject*>(parent_)->ReplaceMember(*value_, std::move(fresh));
}

}  // namespace BkJsonEx
