#include "platform/EventLoop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace platform {
namespace {

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void BlockTerminationSignals() {
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A peer that goes away mid-write must give EPIPE, not end the program.
    ::signal(SIGPIPE, SIG_IGN);
}

EventLoop::EventLoop() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    sigset_t blocked;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    const sigset_t wanted = TerminationSignals();
    // Listening for signals that are not blocked would race with their default action.
    if (sigismember(&blocked, SIGTERM) && sigismember(&blocked, SIGINT))
        signals_.Reset(::signalfd(-1, &wanted, SFD_CLOEXEC | SFD_NONBLOCK));
}

void EventLoop::Post(std::function<void()> closure) {
    {
        std::lock_guard guard(mutex_);
        if (quitting_)
            return;
        queue_.push_back(std::move(closure));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wake_.Get(), &one, sizeof one);
}

void EventLoop::Quit(int exit_code) {
    {
        std::lock_guard guard(mutex_);
        if (quitting_)
            return;
        quitting_ = true;
        exit_code_ = exit_code;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wake_.Get(), &one, sizeof one);
}

void EventLoop::RunPosted() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(wake_.Get(), &count, sizeof count);
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard guard(mutex_);
        batch.swap(queue_);
    }
    for (auto& closure : batch)
        closure();
}

bool EventLoop::TakeSignal() {
    signalfd_siginfo info{};
    if (::read(signals_.Get(), &info, sizeof info) != sizeof info)
        return false;
    quit_signal_ = static_cast<int>(info.ssi_signo);
    std::lock_guard guard(mutex_);
    quitting_ = true;
    exit_code_ = 128 + quit_signal_;
    return true;
}

int EventLoop::Run() {
    for (;;) {
        {
            std::lock_guard guard(mutex_);
            if (quitting_)
                return exit_code_;
        }
        pollfd watch[2] = {{wake_.Get(), POLLIN, 0}, {signals_.Get(), POLLIN, 0}};
        const int count = signals_ ? 2 : 1;
        if (::poll(watch, count, -1) < 0 && errno != EINTR)
            return -1;
        if (count == 2 && watch[1].revents != 0 && TakeSignal())
            continue;
        if (watch[0].revents != 0)
            RunPosted();
    }
}

}  // namespace platform
