#include "app/CommandLineSplit.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t';
}

// Walks a command line once, collecting arguments.
class Splitter {
public:
    explicit Splitter(std::string_view text) : text_(text) {}

    std::vector<std::string> Run() {
        while (position_ < text_.size())
            Step();
        EndArgument();
        return std::move(arguments_);
    }

private:
    void Step() {
        const char c = text_[position_];
        if (!quoted_ && IsSeparator(c)) {
            EndArgument();
            ++position_;
            return;
        }
        in_argument_ = true;
        if (c == '\\') {
            ReadBackslashes();
            return;
        }
        if (c == '"')
            quoted_ = !quoted_;
        else
            current_ += c;
        ++position_;
    }

    // Leaves a quote that follows an even run for Step to toggle on.
    void ReadBackslashes() {
        const std::size_t end = text_.find_first_not_of('\\', position_);
        const std::size_t run = (end == std::string_view::npos ? text_.size() : end) - position_;
        position_ += run;
        const bool before_quote = position_ < text_.size() && text_[position_] == '"';
        if (!before_quote) {
            current_.append(run, '\\');
            return;
        }
        current_.append(run / 2, '\\');
        if (run % 2 == 1) {
            current_ += '"';
            ++position_;
        }
    }

    void EndArgument() {
        if (!in_argument_)
            return;
        arguments_.push_back(std::move(current_));
        current_.clear();
        in_argument_ = false;
    }

    std::string_view text_;
    std::size_t position_ = 0;
    bool quoted_ = false;
    bool in_argument_ = false;  // an argument has begun, even if it is still empty ("")
    std::string current_;
    std::vector<std::string> arguments_;
};

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
    return Splitter(command_line).Run();
}

std::string QuoteCommandLineArgument(std::string_view text) {
    const bool wrap = text.find_first_of(" \t") != std::string_view::npos;
    std::string quoted;
    quoted.reserve(text.size() + 2);
    if (wrap)
        quoted += '"';
    std::size_t backslashes = 0;  // the run of backslashes just written
    for (const char c : text) {
        if (c == '"') {
            quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        } else {
            backslashes = c == '\\' ? backslashes + 1 : 0;
        }
        quoted += c;
    }
    if (wrap) {
        quoted.append(backslashes, '\\');
        quoted += '"';
    }
    return quoted;
}
