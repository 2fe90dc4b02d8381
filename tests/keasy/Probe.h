#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "keasy/IFunc.h"
#include "keasy/ThreadPool.h"

namespace keasy::test {

// Bound for waits that only time out when the code under test is broken.
inline constexpr std::chrono::seconds kBroken{30};
// Pause giving a wrong implementation the chance to run something too early.
inline constexpr std::chrono::milliseconds kSettle{50};

// Callables block on it until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, kBroken, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;  // guarded by mutex_
};

struct ProbeEvent {
    int id;
    std::thread::id thread;
    int worker;  // ThreadPool::CurrentWorkerIndex() at the time
};

// What the probes did, in the order they did it; shared by every thread under one lock.
class Recorder {
public:
    void Add(std::vector<ProbeEvent> Recorder::*list, int id) {
        std::lock_guard lock(mutex_);
        (this->*list).push_back({id, std::this_thread::get_id(), ThreadPool::CurrentWorkerIndex()});
        cv_.notify_all();
    }
    std::vector<ProbeEvent> Get(std::vector<ProbeEvent> Recorder::*list) {
        std::lock_guard lock(mutex_);
        return this->*list;
    }
    bool WaitCount(std::vector<ProbeEvent> Recorder::*list, size_t count) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kBroken, [&] { return (this->*list).size() >= count; });
    }

    std::vector<ProbeEvent> started;    // guarded by mutex_
    std::vector<ProbeEvent> finished;   // guarded by mutex_
    std::vector<ProbeEvent> destroyed;  // guarded by mutex_

private:
    std::mutex mutex_;
    std::condition_variable cv_;
};

class Probe final : public IFunc {
public:
    Probe(Recorder& recorder, int id, Gate* gate = nullptr)
        : recorder_(recorder), id_(id), gate_(gate) {}
    ~Probe() override { recorder_.Add(&Recorder::destroyed, id_); }

    void Invoke() override {
        recorder_.Add(&Recorder::started, id_);
        if (gate_)
            gate_->Wait();
        recorder_.Add(&Recorder::finished, id_);
    }

private:
    Recorder& recorder_;
    int id_;
    Gate* gate_;
};

inline std::vector<int> Ids(const std::vector<ProbeEvent>& events) {
    std::vector<int> ids;
    for (const auto& event : events)
        ids.push_back(event.id);
    return ids;
}

// Worker index recorded for the callable with this id, -2 when it has no event.
inline int WorkerOf(const std::vector<ProbeEvent>& events, int id) {
    for (const auto& event : events) {
        if (event.id == id)
            return event.worker;
    }
    return -2;
}

}  // namespace keasy::test
