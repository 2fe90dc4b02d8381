#include "util/JsonConstHandle.h"

#include "util/JsonArray.h"
#include "util/JsonObject.h"
#include "util/JsonScalars.h"

namespace BkJsonEx {

ConstHandle ConstHandle::Find(std::string_view key) const {
    if (value_ == nullptr || value_->kind() != Kind::kObject) {
        return {};
    }
    return ConstHandle(static_cast<const ValueObject*>(value_)->Member(key));
}

ConstHandle ConstHandle::Find(std::int64_t index) const {
    if (value_ == nullptr || index < 0 || value_->kind() != Kind::kArray) {
        return {};
    }
    return ConstHandle(static_cast<const ValueArray*>(value_)->At(static_cast<std::size_t>(index)));
}

const std::string* ConstHandle::GetString() const {
    if (value_ == nullptr || value_->kind() != Kind::kString) {
        return nullptr;
    }
    return &static_cast<const ValueString*>(value_)->text();
}

std::int64_t ConstHandle::GetInt64() const {
    if (value_ == nullptr) {
        return 0;
    }
    if (value_->kind() == Kind::kLongLong) {
        return static_cast<const ValueLongLong*>(value_)->value();
    }
    if (value_->kind() == Kind::kLong) {
        return static_cast<const ValueLong*>(value_)->value();
    }
    return 0;
}

std::size_t ConstHandle::Size() const {
    if (value_ == nullptr) {
        return 0;
    }
    if (value_->kind() == Kind::kArray) {
        return static_cast<const ValueArray*>(value_)->Size();
    }
    if (value_->kind() == Kind::kObject) {
        return static_cast<const ValueObject*>(value_)->Size();
    }
    return 0;
}

}  // namespace BkJsonEx
