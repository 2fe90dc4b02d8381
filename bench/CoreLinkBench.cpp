// The cost of the conversion link itself: how fast a core process is up and asking for work,
// and how long a trivial task spends between submission and its result beyond the core's own
// work. Run through bench/run-core-link.sh; prints one table.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "core/KPdfCoreManager.h"
#include "platform/DynamicLibrary.h"
#include "platform/Process.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::Milliseconds;
using bench::Percentile;
using namespace std::chrono_literals;

// Notes when the first "get_task" of a connection arrives and sends the core away.
class FirstRequestProbe final : public IMsgProcessor {
public:
    explicit FirstRequestProbe(std::atomic<Clock::rep>* first) : first_(first) {}
    const char* OnMessage(const char*) override {
        Clock::rep expected = 0;
        first_->compare_exchange_strong(expected, Clock::now().time_since_epoch().count());
        return "{\"info\":\"service exited\",\"result\":0}\n";
    }
    void OnDisconnect() override {}
    IMsgProcessor* CreateProcessor() override { return new FirstRequestProbe(first_); }
    void Release() override { delete this; }

private:
    std::atomic<Clock::rep>* first_;
};

// Spawn to first "get_task", as the median of `runs` starts.
double MeasureCoreStart(const std::filesystem::path& bin, int runs) {
    auto library = platform::DynamicLibrary::Open(bin / "libquire-pipe.so");
    auto create = library->FunctionNamed<IPipeSvr*()>("CreatePipeSvr");
    auto release = library->FunctionNamed<void(IPipeSvr*)>("ReleasePipeSvr");
    std::vector<double> starts;
    for (int run = 0; run < runs; ++run) {
        std::atomic<Clock::rep> first{0};
        FirstRequestProbe probe(&first);
        IPipeSvr* server = create();
        server->SetProcessor(&probe);
        const std::string name = "bench_start_" + std::to_string(run);
        server->Start(name.c_str());
        const auto spawned = Clock::now();
        auto core = platform::Process::Spawn(
            bin / "quire-core", {"-core:" + std::to_string(1001 + run), "-server:" + name});
        while (first.load() == 0 && Clock::now() - spawned < 5s)
            std::this_thread::sleep_for(50us);
        if (first.load() != 0)
            starts.push_back(
                Milliseconds(Clock::time_point(Clock::duration(first.load())) - spawned));
        core->WaitForExit(5s);
        server->Stop();
        release(server);
    }
    return Median(starts);
}

struct TaskTiming {
    double total_ms;
    double core_work_ms;
};

// Submits `count` get_file_info tasks from `workers` threads, each polling its task every
// `poll` like the operation objects do, and returns the timings of the finished ones.
std::vector<TaskTiming> RunTasks(KPdfCoreManager& manager, const std::string& pdf, int count,
                                 int workers, std::chrono::microseconds poll) {
    std::mutex mutex;
    std::vector<TaskTiming> timings;  // guarded by mutex
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int worker = 0; worker < workers; ++worker) {
        threads.emplace_back([&] {
            while (next++ < count) {
                Json::Value record;
                record["cmd"] = "get_file_info";
                record["file"] = pdf;
                record["check_img_pdf"] = 1;
                record["try_no"] = 0;
                const auto submitted = Clock::now();
                const int task = manager.AddTask(record);
                while (manager.GetIntInfo(task, "result", -1) < 0 && manager.IsTaskAlive(task))
                    std::this_thread::sleep_for(poll);
                const double total = Milliseconds(Clock::now() - submitted);
                if (manager.GetIntInfo(task, "result", -1) != 1)
                    continue;
                std::lock_guard guard(mutex);
                timings.push_back({total, manager.GetIntInfo(task, "core_work_us", 0) / 1000.0});
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    return timings;
}

void PrintTaskRow(const char* label, const std::vector<TaskTiming>& timings, double wall_ms) {
    std::vector<double> link;
    std::vector<double> work;
    for (const auto& timing : timings) {
        link.push_back(timing.total_ms - timing.core_work_ms);
        work.push_back(timing.core_work_ms);
    }
    std::printf(
        "%-34s %5zu ok  link median %7.1f ms  p90 %7.1f ms  core work median %5.1f ms  %6.1f "
        "tasks/s\n",
        label, timings.size(), Median(link), Percentile(link, 0.9), Median(work),
        timings.size() / (wall_ms / 1000.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <program folder> <one-page pdf>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path bin = argv[1];
    const std::string pdf = std::filesystem::absolute(argv[2]).string();
    constexpr int kTasks = 200;
    constexpr int kWorkers = 3;

    std::printf("core start (spawn to first get_task), median of 20: %.1f ms (target < 30 ms)\n",
                MeasureCoreStart(bin, 20));

    KPdfCoreManager::Settings settings;
    settings.pipe_library = bin / "libquire-pipe.so";
    settings.core_executable = bin / "quire-core";
    KPdfCoreManager manager(settings);
    if (!manager.Init()) {
        std::fprintf(stderr, "the core manager did not start\n");
        return 1;
    }
    for (const auto& [label, poll] :
         {std::pair{"3 workers, 1 ms polls", std::chrono::microseconds(1000)},
          std::pair{"3 workers, 100 ms polls (as queried)", std::chrono::microseconds(100000)}}) {
        const auto start = Clock::now();
        const auto timings = RunTasks(manager, pdf, kTasks, kWorkers, poll);
        PrintTaskRow(label, timings, Milliseconds(Clock::now() - start));
    }
    manager.Shutdown();
    return 0;
}
