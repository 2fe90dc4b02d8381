#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace cli {

// The command line's own output, kept apart from the standard descriptors that the conversion
// cores inherit. A core left on the user's stdout would keep a reader of a pipeline waiting for
// the end of the output until the core ends, seconds after quire-cli, and would print its own
// diagnostics between the results; the cores get /dev/null instead.
class ConsoleOutput {
public:
    // Moves stdout and stderr to private descriptors, then points 1 and 2 at /dev/null. When
    // that cannot be done the output stays where it was.
    ConsoleOutput();
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    std::ostream& Out() { return out_; }
    std::ostream& Err() { return err_; }
    bool OutIsTerminal() const;
    // The terminal's width when the output is one, else 80.
    int Columns() const;

private:
    // Writes whole buffers to one descriptor.
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(int fd) : fd_(fd) { setp(data_, data_ + sizeof data_); }
        int fd() const { return fd_; }

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        bool Flush();

        const int fd_;
        char data_[4096];
    };

    Buffer out_buffer_;
    Buffer err_buffer_;
    std::ostream out_;
    std::ostream err_;
};

}  // namespace cli
