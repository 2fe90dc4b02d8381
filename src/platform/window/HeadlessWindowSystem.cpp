#include "platform/window/HeadlessWindowSystem.h"

#include <algorithm>

#include "platform/Text.h"

namespace platform {
namespace {

// The next scripted chooser answer; an empty optional (cancel) when the script ran out.
template <typename Answer>
Answer TakeAnswer(std::deque<Answer>& answers) {
    Answer answer;
    if (answers.empty())
        return answer;
    answer.swap(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

HeadlessWindowSystem::~HeadlessWindowSystem() {
    for (HeadlessWindow* window : windows_)
        window->system_ = nullptr;
    for (HeadlessTrayIcon* icon : tray_icons_)
        icon->system_ = nullptr;
}

std::unique_ptr<NativeWindow> HeadlessWindowSystem::CreateWindow(const WindowOptions& options) {
    return CreateHeadlessWindow(options);
}

std::unique_ptr<HeadlessWindow> HeadlessWindowSystem::CreateHeadlessWindow(
    const WindowOptions& options) {
    auto window = std::make_unique<HeadlessWindow>(this, options);
    windows_.push_back(window.get());
    return window;
}

void HeadlessWindowSystem::Post(std::function<void()> closure) {
    {
        std::lock_guard guard(mutex_);
        posted_.push_back(std::move(closure));
    }
    posted_cv_.notify_all();
}

TimerId HeadlessWindowSystem::StartTimer(std::chrono::milliseconds interval,
                                         std::function<void()> tick) {
    const auto step = std::max(interval, std::chrono::milliseconds{1});
    const TimerId id = next_timer_id_++;
    timers_[id] = Timer{step, now_ms_ + static_cast<std::uint64_t>(step.count()),
                        std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void HeadlessWindowSystem::StopTimer(TimerId timer) {
    timers_.erase(timer);
}

int HeadlessWindowSystem::Run() {
    for (;;) {
        RunPending();
        std::unique_lock lock(mutex_);
        if (quit_requested_) {
            quit_requested_ = false;
            return quit_code_;
        }
        if (!posted_.empty())
            continue;
        if (!timers_.empty()) {
            lock.unlock();
            AdvanceToNextTimer();
            continue;
        }
        if (!posted_cv_.wait_for(lock, idle_wait_limit_,
                                 [this] { return quit_requested_ || !posted_.empty(); }))
            return -1;
    }
}

void HeadlessWindowSystem::Quit(int code) {
    {
        std::lock_guard guard(mutex_);
        quit_requested_ = true;
        quit_code_ = code;
    }
    posted_cv_.notify_all();
}

int HeadlessWindowSystem::RunModal(NativeWindow& dialog) {
    HeadlessWindow* window = FindWindow(dialog);
    if (!window || !window->IsVisible())
        return -1;
    ModalFrame frame{window};
    modal_frames_.push_back(&frame);
    RunModalLoop(frame);
    std::erase(modal_frames_, &frame);
    return frame.ended ? frame.code : -1;
}

void HeadlessWindowSystem::RunModalLoop(ModalFrame& frame) {
    // The dialog is up and drawn before its user answers.
    RunPending();
    if (!frame.ended && frame.dialog && !modal_scripts_.empty()) {
        ModalScript script = std::move(modal_scripts_.front());
        modal_scripts_.pop_front();
        script(*frame.dialog);
    }
    const std::uint64_t start_ms = now_ms_;
    const auto limit_ms = static_cast<std::uint64_t>(kModalClockLimit.count());
    while (!frame.ended && !QuitRequested()) {
        const bool ran = RunPending();
        if (frame.ended || QuitRequested())
            return;
        if (timers_.empty()) {
            if (!ran)
                return;
            continue;
        }
        if (now_ms_ - start_ms >= limit_ms)
            return;
        AdvanceToNextTimer();
    }
}

void HeadlessWindowSystem::EndModal(NativeWindow& dialog, int code) {
    // The innermost loop of the dialog, should it run more than one.
    for (auto frame = modal_frames_.rbegin(); frame != modal_frames_.rend(); ++frame) {
        if ((*frame)->dialog != &dialog || (*frame)->ended)
            continue;
        (*frame)->ended = true;
        (*frame)->code = code;
        return;
    }
}

std::optional<std::vector<std::filesystem::path>> HeadlessWindowSystem::ChooseFiles(
    const FileChooserOptions& options) {
    file_calls_.push_back(options);
    return TakeAnswer(file_answers_);
}

std::optional<std::filesystem::path> HeadlessWindowSystem::ChooseFolder(
    const FolderChooserOptions& options) {
    folder_calls_.push_back(options);
    return TakeAnswer(folder_answers_);
}

std::unique_ptr<TrayIcon> HeadlessWindowSystem::CreateTrayIcon(const std::string& icon_png,
                                                               const std::string& tooltip) {
    if (!tray_host_present_)
        return nullptr;
    auto icon = std::make_unique<HeadlessTrayIcon>(this, icon_png, tooltip);
    tray_icons_.push_back(icon.get());
    return icon;
}

bool HeadlessWindowSystem::Notify(const std::string& title, const std::string& body) {
    notifications_.push_back({title, body});
    return true;
}

bool HeadlessWindowSystem::OpenUri(const std::string& uri) {
    // Anything else could start an arbitrary handler; the real backend refuses it too.
    const bool allowed = StartsWithIgnoreAsciiCase(uri, "http://") ||
                         StartsWithIgnoreAsciiCase(uri, "https://") ||
                         StartsWithIgnoreAsciiCase(uri, "file:");
    if (!allowed)
        return false;
    opened_uris_.push_back(uri);
    return true;
}

bool HeadlessWindowSystem::RunPending() {
    bool ran = false;
    std::function<void()> closure;
    while (TakeNextPosted(&closure)) {
        closure();
        closure = nullptr;
        ran = true;
    }
    PaintPending();
    return ran;
}

int HeadlessWindowSystem::PaintPending() {
    // A paint handler may open or close windows: walk a copy and skip the ones gone since.
    const std::vector<HeadlessWindow*> snapshot = windows_;
    int painted = 0;
    for (HeadlessWindow* window : snapshot) {
        if (std::find(windows_.begin(), windows_.end(), window) == windows_.end())
            continue;
        if (window->PaintDirty())
            ++painted;
    }
    return painted;
}

void HeadlessWindowSystem::AdvanceClock(std::chrono::milliseconds delta) {
    const auto step = static_cast<std::uint64_t>(std::max<std::int64_t>(delta.count(), 0));
    const std::uint64_t target = now_ms_ + step;
    // A tick that runs a modal loop moves the clock itself, possibly past `target`.
    while (const auto id = NextDueTimer(std::max(target, now_ms_)))
        FireTimer(*id);
    now_ms_ = std::max(now_ms_, target);
    RunPending();
}

bool HeadlessWindowSystem::ActivateTray() {
    if (tray_icons_.empty())
        return false;
    HeadlessTrayIcon* icon = tray_icons_.back();
    if (icon->on_activate)
        icon->on_activate();
    return true;
}

std::optional<FileChooserOptions> HeadlessWindowSystem::LastFileChooser() const {
    if (file_calls_.empty())
        return std::nullopt;
    return file_calls_.back();
}

std::optional<FolderChooserOptions> HeadlessWindowSystem::LastFolderChooser() const {
    if (folder_calls_.empty())
        return std::nullopt;
    return folder_calls_.back();
}

bool HeadlessWindowSystem::IsBlockedByModal(const HeadlessWindow& window) const {
    const NativeWindow* native = &window;
    return std::any_of(modal_frames_.begin(), modal_frames_.end(), [native](ModalFrame* frame) {
        return !frame->ended && frame->dialog && frame->dialog->Options().owner == native;
    });
}

bool HeadlessWindowSystem::TakeNextPosted(std::function<void()>* closure) {
    std::lock_guard guard(mutex_);
    if (posted_.empty())
        return false;
    *closure = std::move(posted_.front());
    posted_.pop_front();
    return true;
}

bool HeadlessWindowSystem::QuitRequested() {
    std::lock_guard guard(mutex_);
    return quit_requested_;
}

std::optional<TimerId> HeadlessWindowSystem::NextDueTimer(std::uint64_t limit_ms) const {
    std::optional<TimerId> next;
    std::uint64_t next_due = 0;
    for (const auto& [id, timer] : timers_) {
        // The map is in id order, so a strict comparison keeps ties in starting order.
        if (timer.due_ms <= limit_ms && (!next || timer.due_ms < next_due)) {
            next = id;
            next_due = timer.due_ms;
        }
    }
    return next;
}

void HeadlessWindowSystem::FireTimer(TimerId id) {
    Timer& timer = timers_.at(id);
    now_ms_ = std::max(now_ms_, timer.due_ms);
    timer.due_ms += static_cast<std::uint64_t>(timer.interval.count());
    const auto tick = timer.tick;
    (*tick)();
}

void HeadlessWindowSystem::AdvanceToNextTimer() {
    std::uint64_t next_due = UINT64_MAX;
    for (const auto& [id, timer] : timers_)
        next_due = std::min(next_due, timer.due_ms);
    AdvanceClock(std::chrono::milliseconds(next_due > now_ms_ ? next_due - now_ms_ : 0));
}

HeadlessWindow* HeadlessWindowSystem::FindWindow(const NativeWindow& window) const {
    const auto found = std::find_if(windows_.begin(), windows_.end(), [&](HeadlessWindow* each) {
        return static_cast<const NativeWindow*>(each) == &window;
    });
    return found == windows_.end() ? nullptr : *found;
}

void HeadlessWindowSystem::ForgetWindow(HeadlessWindow* window) {
    std::erase(windows_, window);
    // A dialog destroyed while modal ends its loop unanswered.
    for (ModalFrame* frame : modal_frames_) {
        if (frame->dialog != window)
            continue;
        frame->dialog = nullptr;
        frame->ended = true;
    }
}

void HeadlessWindowSystem::ForgetTrayIcon(HeadlessTrayIcon* icon) {
    std::erase(tray_icons_, icon);
}

}  // namespace platform
