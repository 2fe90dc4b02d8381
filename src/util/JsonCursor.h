#pragma once

#include <cstddef>
#include <string_view>

#include "util/JsonError.h"

namespace BkJsonEx {

class Document;

// The reading state of one parse. Only a Document makes cursors, so a parse always fills a tree
// from its top and the nesting count is the tree's true depth.
class Cursor {
public:
    std::size_t Position() const { return position_; }
    std::size_t Left() const { return text_.size() - position_; }
    bool AtEnd() const { return position_ == text_.size(); }
    // NUL at the end of the text; check AtEnd where a NUL byte of the text must differ.
    char Peek() const { return AtEnd() ? '\0' : text_[position_]; }
    std::string_view Rest() const { return text_.substr(position_); }

    // Stops at the end of the text.
    void Advance(std::size_t count = 1);
    // Moves past `expected` when it comes next.
    bool Take(char expected);
    bool TakeWord(std::string_view word);
    void SkipWhiteSpace();

    // Both record the error and return false, so that a failure reads `return cursor.Fail(...)`.
    bool Fail(int code) { return FailAt(code, position_); }
    bool FailAt(int code, std::size_t position);
    bool HasError() const { return code_ != kNoError; }

    // Called at the opening bracket of an array or object; false with kTooDeep recorded there
    // beyond kMaxDepth. Every successful Enter is paired with a Leave.
    bool Enter();
    void Leave() { --depth_; }

    // The recorded error with its line and column; the empty Error when none was recorded.
    Error ToError() const;

private:
    friend class Document;

    explicit Cursor(std::string_view text) : text_(text) {}
    // Back to the start with no error, for the next attempt at the root.
    void Restart();

    std::string_view text_;
    std::size_t position_ = 0;  // never beyond text_.size()
    std::size_t depth_ = 0;
    int code_ = kNoError;
    std::size_t error_position_ = 0;
};

}  // namespace BkJsonEx
