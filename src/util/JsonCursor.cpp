#include "util/JsonCursor.h"

#include <algorithm>

#include "platform/Text.h"
#include "util/JsonLimits.h"

namespace BkJsonEx {

void Cursor::Advance(std::size_t count) {
    position_ += std::min(count, Left());
}

bool Cursor::Take(char expected) {
    if (AtEnd() || text_[position_] != expected) {
        return false;
    }
    ++position_;
    return true;
}

bool Cursor::TakeWord(std::string_view word) {
    if (!Rest().starts_with(word)) {
        return false;
    }
    position_ += word.size();
    return true;
}

void Cursor::SkipWhiteSpace() {
    while (!AtEnd() &&
           std::string_view(" \t\r\n").find(text_[position_]) != std::string_view::npos) {
        ++position_;
    }
}

bool Cursor::FailAt(int code, std::size_t position) {
    code_ = code;
    error_position_ = std::min(position, text_.size());
    return false;
}

bool Cursor::Enter() {
    if (depth_ >= kMaxDepth) {
        return Fail(kTooDeep);
    }
    ++depth_;
    return true;
}

Error Cursor::ToError() const {
    if (code_ == kNoError) {
        return {};
    }
    const std::string_view before = text_.substr(0, error_position_);
    const std::size_t last_feed = before.rfind('\n');
    const std::size_t line_start = last_feed == std::string_view::npos ? 0 : last_feed + 1;
    const auto feeds = std::count(before.begin(), before.end(), '\n');
    const std::size_t chars = platform::CountChars(before.substr(line_start));
    // The text is at most kMaxTextBytes long, so both fit in int.
    return {code_, static_cast<int>(feeds) + 1, static_cast<int>(chars) + 1};
}

void Cursor::Restart() {
    position_ = 0;
    depth_ = 0;
    code_ = kNoError;
    error_position_ = 0;
}

}  // namespace BkJsonEx
