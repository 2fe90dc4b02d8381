#include "util/JsonArray.h"

#include "util/JsonLimits.h"
#include "util/JsonNested.h"
#include "util/JsonScalars.h"
#include "util/JsonText.h"

namespace BkJsonEx {

const Value* ValueArray::At(std::size_t index) const {
    return index < elements_.size() ? elements_[index].get() : nullptr;
}

bool ValueArray::Parse(Cursor& cursor) {
    cursor.SkipWhiteSpace();
    if (cursor.Peek() != '[') {
        return cursor.Fail(kArrayExpected);
    }
    if (!cursor.Enter()) {
        return false;
    }
    cursor.Advance();
    const bool parsed = ParseElements(cursor);
    cursor.Leave();
    return parsed;
}

// White space may stand between the brackets of an empty array: the pretty form of an empty
// object writes a line break there, and "[ ]" is as common.
bool ValueArray::ParseElements(Cursor& cursor) {
    cursor.SkipWhiteSpace();
    if (cursor.Take(']')) {
        return true;
    }
    while (true) {
        std::unique_ptr<Value> element = ParseNestedValue(cursor);
        if (element == nullptr) {
            return false;
        }
        Append(std::move(element));
        cursor.SkipWhiteSpace();
        if (cursor.Take(']')) {
            return true;
        }
        if (!cursor.Take(',')) {
            return cursor.Fail(kSeparatorExpected);
        }
    }
}

bool ValueArray::NeedsLines() const {
    if (elements_.size() > 1) {
        return true;
    }
    return !elements_.empty() && elements_[0]->Height() > 0;
}

bool ValueArray::Write(std::string& text, bool pretty, int indent, int step) const {
    const bool lines = pretty && NeedsLines();
    const int inner = InnerIndent(indent, step);
    text += lines ? "[\r\n" : "[";
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (i > 0) {
            text += lines ? ", \r\n" : ",";
        }
        if (lines) {
            AppendSpaces(text, inner);
        }
        elements_[i]->Write(text, pretty, inner, step);
    }
    if (lines) {
        text += "\r\n";
        AppendSpaces(text, indent);
    }
    text += ']';
    return true;
}

void ValueArray::Append(std::unique_ptr<Value> element) {
    element->AttachTo(this, elements_.size(), nullptr);
    elements_.push_back(std::move(element));
}

Handle ValueArray::ElementOrGrow(std::size_t index) {
    if (index >= elements_.size() && index >= kGrowIndexLimit) {
        return {};
    }
    while (elements_.size() <= index) {
        Append(std::make_unique<ValueNull>());
    }
    return Handle(*elements_[index]);
}

Handle ValueArray::ReplaceElement(const Value& old, std::unique_ptr<Value> fresh) {
    const std::size_t index = old.index_;
    fresh->AttachTo(this, index, nullptr);
    elements_[index] = std::move(fresh);
    return Handle(*elements_[index]);
}

}  // namespace BkJsonEx
