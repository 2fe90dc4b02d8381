// Many clients at once against one quire-service on loopback: each client is a service task
// manager of its own (one login, tasks one after the other, as in one running program), all
// converting small PDFs to Word. Prints throughput and latency; every conversion must succeed.
//
//   service_bench <service base url> <one-page pdf> [clients] [documents per client]

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "online/KSvrTaskMgr.h"
#include "online/LoginState.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::vector<double> latencies;  // ms, one per conversion
    int failures = 0;
};

// One client: its own login, its own copies of the document (distinct content, so the service
// converts each instead of recognising a stored upload).
void RunClient(const std::string& url, const fs::path& pdf, const fs::path& folder, int client,
               int documents, Outcome* outcome, std::mutex* lock) {
    ServiceSettings settings;
    settings.host = url;
    settings.device_id = "BENCH" + std::to_string(client);
    settings.app_id = "1";
    settings.poll_interval = std::chrono::milliseconds(100);
    LoginState login;
    KSvrTaskMgr manager(settings, login);
    if (!manager.Init())
        return;
    for (int i = 0; i < documents; ++i) {
        const fs::path source =
            folder / ("c" + std::to_string(client) + "-" + std::to_string(i) + ".pdf");
        fs::copy_file(pdf, source, fs::copy_options::overwrite_existing);
        std::FILE* file = std::fopen(source.c_str(), "ab");
        std::fprintf(file, "%% client %d document %d\n", client, i);
        std::fclose(file);
        const fs::path target = source.parent_path() / (source.stem().string() + ".docx");
        const auto started = bench::Clock::now();
        const int id = manager.PreparePdfTask(source, target, 1);
        while (manager.GetRunning(id) != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const double took = bench::Milliseconds(bench::Clock::now() - started);
        std::lock_guard guard(*lock);
        if (manager.IsSucceeded(id) && fs::exists(target)) {
            outcome->latencies.push_back(took);
        } else {
            ++outcome->failures;
            std::fprintf(stderr, "failed: %s: %s\n", source.c_str(),
                         manager.GetFailInfo(id).c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s URL PDF [clients] [documents]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const fs::path pdf = argv[2];
    const int clients = argc > 3 ? std::stoi(argv[3]) : 20;
    const int documents = argc > 4 ? std::stoi(argv[4]) : 10;
    const fs::path folder =
        fs::temp_directory_path() / ("service-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);

    Outcome outcome;
    std::mutex lock;
    const auto started = bench::Clock::now();
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client)
        threads.emplace_back(RunClient, url, pdf, folder, client, documents, &outcome, &lock);
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = bench::Milliseconds(bench::Clock::now() - started) / 1000;
    fs::remove_all(folder);

    const auto done = static_cast<int>(outcome.latencies.size());
    std::printf(
        "| clients | documents | succeeded | failed | wall s | conversions/s | median ms | "
        "p95 ms |\n|---|---|---|---|---|---|---|---|\n");
    std::printf("| %d | %d | %d | %d | %.1f | %.2f | %.0f | %.0f |\n", clients, clients * documents,
                done, outcome.failures, seconds, done / seconds, bench::Median(outcome.latencies),
                bench::Percentile(outcome.latencies, 0.95));
    return outcome.failures == 0 && done == clients * documents ? 0 : 1;
}
