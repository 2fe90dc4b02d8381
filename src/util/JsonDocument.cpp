#include "util/JsonDocument.h"

#include <array>
#include <utility>

#include "util/JsonLimits.h"
#include "util/JsonNested.h"

namespace BkJsonEx {

Document::~Document() = default;

Document::Document(Document&& other) noexcept
    : Handle(nullptr, other.root_.get()),
      root_(std::move(other.root_)),
      error_(std::exchange(other.error_, Error{})) {
    other.value_ = nullptr;
}

Document& Document::operator=(Document&& other) noexcept {
    if (this != &other) {
        root_ = std::move(other.root_);
        value_ = root_.get();
        error_ = std::exchange(other.error_, Error{});
        other.value_ = nullptr;
    }
    return *this;
}

bool Document::Parse(std::string_view text) {
    SetRoot(nullptr);
    if (text.size() > kMaxTextBytes) {
        error_ = {kTextTooLarge, 1, 1};
        return false;
    }
    constexpr std::array kRootKinds = {Kind::kBool,   Kind::kLongLong, Kind::kLong,
                                       Kind::kString, Kind::kArray,    Kind::kObject};
    Cursor cursor(text);
    for (const Kind kind : kRootKinds) {
        // Each attempt starts clean, so a container only ever sees its own deeper errors.
        cursor.Restart();
        std::unique_ptr<Value> root = MakeValue(kind);
        if (root->Parse(cursor)) {
            SetRoot(std::move(root));
            error_ = {};
            return true;
        }
    }
    error_ = cursor.ToError();
    return false;
}

Handle Document::SetRoot(std::unique_ptr<Value> root) {
    root_ = std::move(root);
    value_ = root_.get();
    return Handle(*this);
}

bool Document::Write(std::string& text, bool pretty) const {
    return root_ != nullptr && root_->Write(text, pretty);
}

}  // namespace BkJsonEx
