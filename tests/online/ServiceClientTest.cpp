#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "online/KSvrTaskMgr.h"
#include "online/LoginState.h"
#include "service/ServiceServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using service::FaultAction;
using service::FaultPlan;
using service::FaultRule;
using service::Route;

constexpr std::uint64_t kBlock = 64 * 1024;

// Copies the upload to the result, so that a download can be compared byte for byte; can be
// held at a gate to keep a conversion running.
class CopyingConverter : public service::IServiceConverter {
public:
    bool Convert(const service::ConversionJob& job, std::string* error) override {
        const int now = ++running_;
        int seen = most_at_once_.load();
        while (now > seen && !most_at_once_.compare_exchange_weak(seen, now)) {
        }
        ++conversions_;
        while (held_ && !job.cancelled())
            std::this_thread::sleep_for(5ms);
        job.on_progress(50);
        std::error_code copy_error;
        fs::copy_file(job.source, job.target, fs::copy_options::overwrite_existing, copy_error);
        --running_;
        if (copy_error)
            *error = copy_error.message();
        return !copy_error;
    }

    std::atomic<bool> held_{false};
    std::atomic<int> running_{0};
    std::atomic<int> most_at_once_{0};
    std::atomic<int> conversions_{0};
};

std::string ReadAll(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

class ServiceClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(temp_ / "in");
        fs::create_directories(temp_ / "out");
        Serve({});
    }

    void Serve(FaultPlan plan, std::string public_url = {}, const std::string& tls_name = {}) {
        server_.reset();
        service::ServiceOptions options;
        options.data_folder = temp_ / "service";
        options.block_size = kBlock;
        options.multipart_threshold = 2 * kBlock;
        options.public_url = std::move(public_url);
        if (!tls_name.empty()) {
            options.tls_cert = temp_ / (tls_name + ".pem");
            options.tls_key = temp_ / (tls_name + ".key");
        }
        server_ = std::make_unique<service::ServiceServer>(options, converter_, std::move(plan));
        std::string error;
        ASSERT_TRUE(server_->Start(&error)) << error;
    }

    ServiceSettings Settings() const {
        ServiceSettings settings;
        settings.host = server_->BaseUrl();
        settings.device_id = "0123456789ABCDEF0123456789ABCDEF";
        settings.app_id = "1";
        settings.connect_timeout = 5;
        settings.low_speed_seconds = 10;
        settings.part_retry_pause = 10ms;
        settings.poll_interval = 20ms;
        settings.download_retry_pause = 10ms;
        settings.poll_deadline = 20s;
        return settings;
    }

    KSvrTaskMgr& Manager(ServiceSettings settings) {
        manager_ = std::make_unique<KSvrTaskMgr>(std::move(settings), login_);
        EXPECT_TRUE(manager_->Init());
        return *manager_;
    }
    KSvrTaskMgr& Manager() { return Manager(Settings()); }

    // Each file's content is its own, so that the service never finds it stored already.
    fs::path Source(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        const std::size_t seed = std::hash<std::string>()(name);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + seed) % 251);
        const fs::path path = temp_ / "in" / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs one PDF task to its end; the target's path.
    fs::path Convert(KSvrTaskMgr& manager, const fs::path& source, int* id = nullptr) {
        const fs::path target = temp_ / "out" / (source.stem().string() + ".docx");
        const int task = manager.PreparePdfTask(source, target, 3);
        EXPECT_GT(task, 0);
        EXPECT_TRUE(WaitUntil([&] { return manager.GetRunning(task) == 0; }, 60s));
        if (id)
            *id = task;
        return target;
    }

    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(temp_ / "out"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    TempDir temp_;
    CopyingConverter converter_;
    LoginState login_;
    std::unique_ptr<service::ServiceServer> server_;
    std::unique_ptr<KSvrTaskMgr> manager_;  // destroyed before the server
};

TEST_F(ServiceClientTest, SingleAndMultipartUploadsComeBackIdentical) {
    // One login for the whole process: a second one would be refused.
    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kLogin, FaultAction::Ret(5000001), 1, -1)}));
    KSvrTaskMgr& manager = Manager();
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"small.pdf", 1000},
        {"two-and-a-half.pdf", kBlock * 5 / 2},
        {"four-blocks.pdf", kBlock * 4},
    };
    for (const auto& [name, size] : files) {
        const fs::path source = Source(name, size);
        int id = 0;
        const fs::path target = Convert(manager, source, &id);
        EXPECT_TRUE(manager.IsSucceeded(id)) << name << ": " << manager.GetFailInfo(id);
        EXPECT_EQ(manager.GetProgress(id), 100);
        EXPECT_EQ(manager.GetFailInfo(id), "");
        EXPECT_EQ(manager.GetRetCode(id), 0);
        EXPECT_EQ(ReadAll(target), ReadAll(source)) << name;
    }
    EXPECT_EQ(converter_.conversions_.load(), 3);
    EXPECT_EQ(OutputNames().size(), 3u);
}

TEST_F(ServiceClientTest, TheSameContentIsNotUploadedTwice) {
    KSvrTaskMgr& manager = Manager();
    const fs::path source = Source("same.pdf", kBlock * 3);
    int first = 0;
    Convert(manager, source, &first);
    ASSERT_TRUE(manager.IsSucceeded(first));
    // Any upload now would fail; the service already holds the content.
    server_->SetFaults(FaultPlan::Of({FaultRule::On(Route::kUpload, FaultAction::Status(500))}));
    fs::copy_file(source, temp_ / "in" / "copy.pdf");
    int second = 0;
    Convert(manager, temp_ / "in" / "copy.pdf", &second);
    EXPECT_TRUE(manager.IsSucceeded(second)) << manager.GetFailInfo(second);
}

TEST_F(ServiceClientTest, PartsAreRetriedFiveTimesAndNoMore) {
    // One upload thread, so that the first part takes all four failures before it goes up.
    ServiceSettings settings = Settings();
    settings.upload_threads = 1;
    KSvrTaskMgr& manager = Manager(settings);
    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kUpload, FaultAction::Status(500), 0, 4)}));
    int id = 0;
    Convert(manager, Source("retried.pdf", kBlock * 5 / 2), &id);
    EXPECT_TRUE(manager.IsSucceeded(id)) << manager.GetFailInfo(id);

    server_->SetFaults(FaultPlan::Of({FaultRule::On(Route::kUpload, FaultAction::Status(500))}));
    Convert(manager, Source("refused.pdf", kBlock * 5 / 2), &id);
    EXPECT_FALSE(manager.IsSucceeded(id));
    EXPECT_EQ(manager.GetFailInfo(id).rfind("upload file fail, curl:500, size:163840, total:3, "
                                            "fail:3, md5:",
                                            0),
              0u)
        << manager.GetFailInfo(id);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"retried.docx"});
}

TEST_F(ServiceClientTest, FiveFailedQueriesAreToleratedTheSixthFails) {
    KSvrTaskMgr& manager = Manager();
    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kProgress, FaultAction::Status(500), 0, 5)}));
    int id = 0;
    Convert(manager, Source("five.pdf", 2000), &id);
    EXPECT_TRUE(manager.IsSucceeded(id)) << manager.GetFailInfo(id);

    // Failures spread out count as much as failures in a row, and so does a refusing "ret".
    FaultPlan spread =
        FaultPlan::Of({FaultRule::On(Route::kProgress, FaultAction::Status(500), 0, 3),
                       FaultRule::On(Route::kProgress, FaultAction::Ret(5000001), 3, -1)});
    spread.progress_script = {{10, 1}};
    server_->SetFaults(spread);
    Convert(manager, Source("six.pdf", 2000), &id);
    EXPECT_FALSE(manager.IsSucceeded(id));
    EXPECT_EQ(manager.GetFailInfo(id).rfind("query progress fail, curl:", 0), 0u)
        << manager.GetFailInfo(id);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"five.docx"});
}

TEST_F(ServiceClientTest, FailedConversionsAndDownloadsEndWithTheirText) {
    KSvrTaskMgr& manager = Manager();
    FaultPlan failing;
    failing.progress_script = {{10, 1}, {0, 3}};
    server_->SetFaults(failing);
    int id = 0;
    Convert(manager, Source("fails.pdf", 2000), &id);
    EXPECT_EQ(manager.GetFailInfo(id).rfind("server convert time out or fail, curl:0, ", 0), 0u)
        << manager.GetFailInfo(id);

    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kDownload, FaultAction::Status(500), 0, 2)}));
    Convert(manager, Source("third-try.pdf", 2000), &id);
    EXPECT_TRUE(manager.IsSucceeded(id)) << manager.GetFailInfo(id);

    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kDownload, FaultAction::Status(500), 0, 3)}));
    Convert(manager, Source("never.pdf", 2000), &id);
    EXPECT_EQ(manager.GetFailInfo(id).rfind("download fail, curl:500, size:2000, total:1, "
                                            "fail:0, md5:",
                                            0),
              0u)
        << manager.GetFailInfo(id);
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"third-try.docx"});
}

TEST_F(ServiceClientTest, MalformedAnswersFailTheTaskAndLeaveNothing) {
    using service::Malformed;
    // A progress answer without its status reads as "still converting": the deadline ends it.
    ServiceSettings settings = Settings();
    settings.poll_deadline = 1s;
    KSvrTaskMgr& manager = Manager(settings);
    const Route routes[] = {Route::kLogin, Route::kConvert, Route::kReport, Route::kProgress};
    const Malformed kinds[] = {Malformed::kNotJson,     Malformed::kEmpty, Malformed::kWrongTypes,
                               Malformed::kMissingKeys, Malformed::kHuge,  Malformed::kArray};
    int case_number = 0;
    for (Route route : routes) {
        for (Malformed kind : kinds) {
            // The report's whole answer is its "resp_common": nothing is missing from it.
            if (route == Route::kReport && kind == Malformed::kMissingKeys)
                continue;
            // One oversized answer shows the bound; six of 64 MiB each only cost time.
            if (kind == Malformed::kHuge && route == Route::kProgress)
                continue;
            login_.Forget(login_.Get().token);  // every case logs in again
            server_->SetFaults(FaultPlan::Of({FaultRule::On(route, FaultAction::Spoiled(kind))}));
            const std::string name = "case" + std::to_string(++case_number) + ".pdf";
            int id = 0;
            Convert(manager, Source(name, 3000), &id);
            EXPECT_FALSE(manager.IsSucceeded(id)) << name;
            EXPECT_NE(manager.GetFailInfo(id), "") << name;
        }
    }
    EXPECT_TRUE(OutputNames().empty());
}

TEST_F(ServiceClientTest, AnExpiredLoginIsRenewedOnce) {
    KSvrTaskMgr& manager = Manager();
    server_->SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kConvert, FaultAction::Ret(4001002), 0, 1)}));
    int id = 0;
    Convert(manager, Source("renewed.pdf", 2000), &id);
    EXPECT_TRUE(manager.IsSucceeded(id)) << manager.GetFailInfo(id);

    // A service that keeps calling the login expired is not asked forever.
    server_->SetFaults(FaultPlan::Of({FaultRule::On(Route::kConvert, FaultAction::Ret(5902002))}));
    Convert(manager, Source("expired.pdf", 2000), &id);
    EXPECT_FALSE(manager.IsSucceeded(id));
    EXPECT_EQ(manager.GetRetCode(id), 5902002);
}

TEST_F(ServiceClientTest, TasksRunOneAtATimeAndACancelledWaitingTaskSendsNothing) {
    KSvrTaskMgr& manager = Manager();
    converter_.held_ = true;
    const fs::path first_target = temp_ / "out" / "first.docx";
    const int first = manager.PreparePdfTask(Source("first.pdf", 2000), first_target, 1);
    const int second =
        manager.PreparePdfTask(Source("second.pdf", 2000), temp_ / "out" / "second.docx", 1);
    const int third =
        manager.PreparePdfTask(Source("third.pdf", 2000), temp_ / "out" / "third.docx", 1);
    ASSERT_TRUE(WaitUntil([&] { return converter_.conversions_ == 1; }));
    EXPECT_EQ(manager.GetRunning(second), -1);
    manager.Cancel(second);
    converter_.held_ = false;
    ASSERT_TRUE(WaitUntil([&] { return manager.GetRunning(third) == 0; }, 30s));
    EXPECT_TRUE(manager.IsSucceeded(first));
    EXPECT_TRUE(manager.IsSucceeded(third));
    EXPECT_FALSE(manager.IsSucceeded(second));
    EXPECT_EQ(manager.GetProgress(second), 100);
    EXPECT_EQ(manager.GetFailInfo(second), "");
    EXPECT_EQ(converter_.conversions_.load(), 2);
    EXPECT_EQ(converter_.most_at_once_.load(), 1);
    EXPECT_EQ(manager.GetRetCode(12345678), -1);
    EXPECT_EQ(manager.GetFailInfo(12345678), "");
}

TEST_F(ServiceClientTest, StopEndsAStalledTaskAndFailsTheQueuedOnes) {
    KSvrTaskMgr& manager = Manager();
    server_->SetFaults(FaultPlan::Of({FaultRule::On(Route::kProgress, FaultAction::Stall(60000))}));
    const int stalled =
        manager.PreparePdfTask(Source("stalled.pdf", 2000), temp_ / "out" / "s.docx", 1);
    const int queued =
        manager.PreparePdfTask(Source("queued.pdf", 2000), temp_ / "out" / "q.docx", 1);
    ASSERT_TRUE(WaitUntil([&] { return manager.GetProgress(stalled) == 20; }));
    std::this_thread::sleep_for(100ms);  // the progress query is now hanging
    const auto stopping = std::chrono::steady_clock::now();
    manager.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 3s);
    for (int id : {stalled, queued}) {
        EXPECT_EQ(manager.GetRunning(id), 0);
        EXPECT_FALSE(manager.IsSucceeded(id));
        EXPECT_NE(manager.GetFailInfo(id), "");
    }
    // Nothing prepared after the stop waits for a worker that is gone.
    const int late = manager.PreparePdfTask(Source("late.pdf", 10), temp_ / "out" / "l.docx", 1);
    EXPECT_EQ(manager.GetRunning(late), 0);
    EXPECT_TRUE(OutputNames().empty());
}

TEST_F(ServiceClientTest, ConversionsThatNeverEndHitTheDeadline) {
    ServiceSettings settings = Settings();
    settings.poll_deadline = 300ms;
    KSvrTaskMgr& manager = Manager(settings);
    FaultPlan endless;
    endless.progress_script = {{10, 1}};
    server_->SetFaults(endless);
    int id = 0;
    Convert(manager, Source("endless.pdf", 2000), &id);
    EXPECT_EQ(manager.GetFailInfo(id).rfind("server convert time out or fail", 0), 0u);
}

TEST_F(ServiceClientTest, StorageAddressesThatAreNotWebAddressesAreRefused) {
    const fs::path secret = temp_ / "secret";
    fs::create_directories(secret);
    Serve({}, "file://" + secret.string());
    KSvrTaskMgr& manager = Manager();
    int id = 0;
    Convert(manager, Source("local.pdf", 2000), &id);
    EXPECT_FALSE(manager.IsSucceeded(id));
    EXPECT_TRUE(fs::is_empty(secret));
}

// A self-signed certificate for `subject_name` (e.g. "IP:127.0.0.1"), by the openssl tool.
bool MakeCertificate(const fs::path& folder, const std::string& name,
                     const std::string& subject_name) {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=" + name +
        " -addext subjectAltName=" + subject_name + " -keyout " +
        (folder / (name + ".key")).string() + " -out " + (folder / (name + ".pem")).string() +
        " 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

TEST_F(ServiceClientTest, TlsTrustsOnlyTheConfiguredCertificatesForTheRightHost) {
    ASSERT_TRUE(MakeCertificate(temp_.Path(), "loopback", "IP:127.0.0.1"));
    ASSERT_TRUE(MakeCertificate(temp_.Path(), "elsewhere", "DNS:convert.example"));
    Serve({}, {}, "loopback");
    ASSERT_EQ(server_->BaseUrl().rfind("https://", 0), 0u);
    ServiceSettings settings = Settings();
    settings.ca_file = (temp_ / "loopback.pem").string();
    int id = 0;
    Convert(Manager(settings), Source("trusted.pdf", 3000), &id);
    EXPECT_TRUE(manager_->IsSucceeded(id)) << manager_->GetFailInfo(id);

    // The system's store does not know a self-signed service, and there is no retry in plain
    // http; nor does a trusted certificate stand for another host.
    const std::pair<const char*, std::string> refusals[] = {
        {"untrusted.pdf", ""}, {"other-host.pdf", (temp_ / "elsewhere.pem").string()}};
    for (const auto& [name, ca_file] : refusals) {
        if (!ca_file.empty())
            Serve({}, {}, "elsewhere");
        settings = Settings();
        settings.ca_file = ca_file;
        login_.Forget(login_.Get().token);
        Convert(Manager(settings), Source(name, 3000), &id);
        EXPECT_EQ(manager_->GetFailInfo(id).rfind("upload file fail, curl:60,", 0), 0u)
            << name << ": " << manager_->GetFailInfo(id);
    }
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"trusted.docx"});
}

}  // namespace
