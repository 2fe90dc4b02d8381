#include "convcore/CoreLoop.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "convcore/RecordFields.h"
#include "core/JsonWire.h"

namespace convcore {
namespace {

using Clock = std::chrono::steady_clock;

// A server that keeps answering nonsense is as good as gone.
constexpr int kMaxBadReplies = 20;
constexpr std::chrono::milliseconds kBadReplyPause{100};

bool IsFailureReply(const Json::Value& reply, const char* info) {
    return IntField(reply, "result", -1) == 0 && TextField(reply, "info") == info;
}

// The running task as both threads see it. Held by shared pointer because a handler that
// ignores a cancel is left running when the loop gives up on it.
class TaskState : public TaskContext {
public:
    void SetProgress(int percent) override { progress_.store(std::clamp(percent, 0, 100)); }

    void Report(const std::string& key, const Json::Value& value) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        reports_[key] = value;
    }

    bool IsCancelled() const override { return cancelled_.load(); }

    void Cancel() { cancelled_.store(true); }
    int Progress() const { return progress_.load(); }

    // The values reported since the last call, as one JSON object.
    Json::Value TakeReports() {
        const std::lock_guard<std::mutex> lock(mutex_);
        Json::Value taken = std::move(reports_);
        reports_ = Json::Value(Json::objectValue);
        return taken;
    }

    void Finish(TaskOutcome outcome) {
        const std::lock_guard<std::mutex> lock(mutex_);
        outcome_ = std::move(outcome);
        done_ = true;
        done_changed_.notify_all();
    }

    bool WaitDone(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_changed_.wait_for(lock, timeout, [this] { return done_; });
    }

    TaskOutcome Outcome() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return outcome_;
    }

private:
    std::atomic<int> progress_{0};        // written by the handler, read by the loop
    std::atomic<bool> cancelled_{false};  // written by the loop, read by the handler
    std::mutex mutex_;
    std::condition_variable done_changed_;
    Json::Value reports_{Json::objectValue};  // guarded by mutex_
    bool done_ = false;                       // guarded by mutex_
    TaskOutcome outcome_;                     // guarded by mutex_
};

// Runs `work` on a thread of its own unless FirstTaskCame() is called within `after`; the
// destructor waits for the work.
class IdleWork {
public:
    IdleWork(const std::function<void()>& work, std::chrono::milliseconds after) {
        if (!work)
            return;
        thread_ = std::thread([this, work, after] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (changed_.wait_for(lock, after, [this] { return came_; }))
                return;
            lock.unlock();
            work();
        });
    }
    ~IdleWork() {
        FirstTaskCame();
        if (thread_.joinable())
            thread_.join();
    }
    IdleWork(const IdleWork&) = delete;
    IdleWork& operator=(const IdleWork&) = delete;

    void FirstTaskCame() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            came_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool came_ = false;  // guarded by mutex_
    std::thread thread_;
};

class CoreLoop {
public:
    CoreLoop(RequestChannel& channel, const CommandDispatcher& dispatcher,
             const CoreLoopOptions& options)
        : channel_(channel), dispatcher_(dispatcher), options_(options) {}

    CoreEnd Run() {
        IdleWork idle(options_.while_waiting, options_.idle_after);
        for (;;) {
            CoreEnd end = CoreEnd::kTaskDone;
            const std::optional<Json::Value> task = NextTask(&end);
            idle.FirstTaskCame();
            if (!task)
                return end;
            end = RunTask(*task);
            if (end != CoreEnd::kTaskDone || !options_.multi_task)
                return end;
        }
    }

private:
    enum class Answer { kAccepted, kCancel, kLost };

    Answer Send(const Json::Value& message) {
        const auto text = channel_.Request(json_wire::Write(message), options_.reply_timeout);
        if (!text)
            return Answer::kLost;
        Json::Value reply;
        // A reply that does not parse tells nothing; only a clear "user cancel" stops the work.
        if (json_wire::Parse(*text, &reply) && IsFailureReply(reply, "user cancel"))
            return Answer::kCancel;
        return Answer::kAccepted;
    }

    static CoreEnd EndFor(Answer answer) {
        return answer == Answer::kCancel ? CoreEnd::kCancelled : CoreEnd::kServerLost;
    }

    // Asks until a command record arrives. "result" without "cmd" means no task yet.
    std::optional<Json::Value> NextTask(CoreEnd* end) {
        Json::Value request;
        request["cmd"] = "get_task";
        request["core_id"] = options_.core_id;
        const std::string text = json_wire::Write(request);
        int bad_replies = 0;
        bool answered_at_once = false;  // the previous "no task" reply came without a wait
        for (;;) {
            const auto asked = Clock::now();
            const auto reply_text = channel_.Request(text, options_.reply_timeout);
            if (!reply_text) {
                *end = CoreEnd::kServerLost;
                return std::nullopt;
            }
            Json::Value reply;
            if (json_wire::Parse(*reply_text, &reply) && reply.isObject()) {
                if (reply.isMember("cmd"))
                    return reply;
                if (IsFailureReply(reply, "service exited")) {
                    *end = CoreEnd::kServiceExited;
                    return std::nullopt;
                }
                if (reply.isMember("result")) {
                    bad_replies = 0;
                    // One quick "no task" is a race lost to another core, and the event that
                    // woke us is reset now: asking again at once waits for the next task.
                    // Only a server that keeps answering at once is paused for.
                    const bool at_once = Clock::now() - asked < options_.idle_pause;
                    if (at_once && answered_at_once)
                        std::this_thread::sleep_for(options_.idle_pause);
                    answered_at_once = at_once;
                    continue;
                }
            }
            if (++bad_replies >= kMaxBadReplies) {
                *end = CoreEnd::kServerLost;
                return std::nullopt;
            }
            std::this_thread::sleep_for(kBadReplyPause);
        }
    }

    static Json::Value Notify(int task_id, Json::Value values) {
        values["cmd"] = "notify";
        values["task_id"] = task_id;
        return values;
    }

    CoreEnd RunTask(const Json::Value& record) {
        const int task_id = IntField(record, "task_id", 0);
        auto state = std::make_shared<TaskState>();
        const auto started = std::chrono::steady_clock::now();
        // The thread owns all it uses: it may be left running when it ignores a cancel.
        std::thread worker([state, record, handler = dispatcher_.HandlerFor(record)] {
            state->Finish(handler(record, *state));
        });
        while (!state->WaitDone(options_.progress_interval)) {
            Json::Value values = state->TakeReports();
            values["progress"] = state->Progress();
            const Answer answer = Send(Notify(task_id, std::move(values)));
            if (answer != Answer::kAccepted)
                return Abandon(*state, worker, EndFor(answer));
        }
        worker.join();
        // The program's benchmark tells the link's own latency from the work by this value.
        Json::Value values = state->TakeReports();
        values["core_work_us"] =
            static_cast<Json::Int64>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count());
        return Finish(task_id, state->Outcome(), std::move(values), state->Progress());
    }

    // The handler is told to stop and given time to remove what it wrote.
    CoreEnd Abandon(TaskState& state, std::thread& worker, CoreEnd reason) {
        state.Cancel();
        if (!state.WaitDone(options_.cancel_grace)) {
            worker.detach();
            return CoreEnd::kHandlerStuck;
        }
        worker.join();
        return reason;
    }

    CoreEnd Finish(int task_id, const TaskOutcome& outcome, Json::Value values, int progress) {
        // The values go before the result: a poller that sees "result" finds them in place.
        values["progress"] = outcome.ok ? 100 : progress;
        Answer answer = Send(Notify(task_id, std::move(values)));
        if (answer != Answer::kAccepted)
            return EndFor(answer);
        Json::Value result;
        result["result"] = outcome.ok ? 1 : 0;
        result["error"] = outcome.error;
        answer = Send(Notify(task_id, std::move(result)));
        if (answer != Answer::kAccepted)
            return EndFor(answer);
        Json::Value exit;
        exit["cmd"] = "exit";
        exit["task_id"] = task_id;
        answer = Send(exit);
        return answer == Answer::kAccepted ? CoreEnd::kTaskDone : EndFor(answer);
    }

    RequestChannel& channel_;
    const CommandDispatcher& dispatcher_;
    const CoreLoopOptions options_;
};

}  // namespace

CoreEnd RunCoreLoop(RequestChannel& channel, const CommandDispatcher& dispatcher,
                    const CoreLoopOptions& options) {
    return CoreLoop(channel, dispatcher, options).Run();
}

}  // namespace convcore
