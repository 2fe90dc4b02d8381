#include "cli/ConsoleOutput.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace cli {
namespace {

constexpr int kDefaultColumns = 80;

// A private copy of `fd` that no child inherits; `fd` itself when none can be made.
int PrivateCopy(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    return copy >= 0 ? copy : fd;
}

int MoveAside(int fd) {
    const int copy = PrivateCopy(fd);
    if (copy == fd)
        return fd;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // dup2 leaves the close-on-exec flag off, so children get /dev/null in its place.
    if (null < 0 || ::dup2(null, fd) < 0) {
        if (null >= 0)
            ::close(null);
        ::close(copy);
        return fd;
    }
    ::close(null);
    return copy;
}

}  // namespace

ConsoleOutput::ConsoleOutput()
    : out_buffer_(MoveAside(STDOUT_FILENO)),
      err_buffer_(MoveAside(STDERR_FILENO)),
      out_(&out_buffer_),
      err_(&err_buffer_) {}

ConsoleOutput::~ConsoleOutput() {
    out_.flush();
    err_.flush();
}

bool ConsoleOutput::OutIsTerminal() const {
    return ::isatty(out_buffer_.fd()) == 1;
}

int ConsoleOutput::Columns() const {
    winsize size{};
    if (::ioctl(out_buffer_.fd(), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kDefaultColumns;
}

ConsoleOutput::Buffer::int_type ConsoleOutput::Buffer::overflow(int_type c) {
    if (!Flush())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int ConsoleOutput::Buffer::sync() {
    return Flush() ? 0 : -1;
}

bool ConsoleOutput::Buffer::Flush() {
    const char* next = pbase();
    while (next < pptr()) {
        const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A reader that went away: the rest of the output has nowhere to go.
            setp(data_, data_ + sizeof data_);
            return false;
        }
        next += written;
    }
    setp(data_, data_ + sizeof data_);
    return true;
}

}  // namespace cli
