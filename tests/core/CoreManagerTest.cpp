// The core manager and the pipe handler of a core, driven the way a core drives them: the
// tests speak the core's requests to a handler directly, while the manager starts stand-in
// core processes that only record their arguments and wait.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "app/AsynLog.h"
#include "core/JsonWire.h"
#include "core/KConvertTask.h"
#include "core/KPdfCoreManager.h"
#include "core/PipeLibrary.h"
#include "platform/Process.h"
#include "platform/Tick.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;

class CoreManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto core = temp_ / "fake-core";
        std::ofstream(core) << "#!/bin/sh\necho \"$$ $*\" >> '" << (temp_ / "cores.txt").string()
                            << "'\nexec sleep 30\n";
        ::chmod(core.c_str(), 0755);
        settings_.pipe_library = PIPE_LIBRARY;
        settings_.core_executable = core;
        settings_.may_start_cores_at_init = [] { return false; };
    }
    void TearDown() override {
        manager_.reset();
        for (const auto& [core_id, pid] : Cores())
            ::kill(pid, SIGKILL);
    }

    KPdfCoreManager& Manager() {
        if (!manager_) {
            manager_ = std::make_unique<KPdfCoreManager>(settings_);
            EXPECT_TRUE(manager_->Init());
            handler_ = std::make_unique<KConvertTask>(*manager_);
        }
        return *manager_;
    }

    // core id → process id of every stand-in core started so far.
    std::map<int, pid_t> Cores() {
        std::map<int, pid_t> cores;
        std::ifstream in(temp_ / "cores.txt");
        pid_t pid = 0;
        std::string core, server;
        while (in >> pid >> core >> server)
            cores[std::stoi(core.substr(6))] = pid;
        return cores;
    }
    bool WaitForCores(std::size_t count) {
        return WaitUntil([&] { return Cores().size() >= count; });
    }

    int Submit(const std::string& cmd, const std::string& password = "") {
        Json::Value record;
        record["cmd"] = cmd;
        record["source_path"] = "/home/用户/文档.pdf";
        if (!password.empty())
            record["password"] = password;
        return Manager().AddTask(record);
    }

    std::string Ask(const std::string& request) { return Ask(*handler_, request); }
    static std::string Ask(IMsgProcessor& handler, const std::string& request) {
        return handler.OnMessage(request.c_str());
    }
    static std::string GetTask(IMsgProcessor& handler, int core_id) {
        return Ask(handler, R"({"cmd":"get_task","core_id":)" + std::to_string(core_id) + "}");
    }
    // The task id of a parameter text, 0 for any other reply.
    static int TaskIdOf(const std::string& reply) {
        Json::Value value;
        if (!json_wire::Parse(reply, &value) || !value.isMember("cmd"))
            return 0;
        return value["task_id"].asInt();
    }

    TempDir temp_;
    KPdfCoreManager::Settings settings_;
    std::unique_ptr<KPdfCoreManager> manager_;
    std::unique_ptr<KConvertTask> handler_;
};

const std::string kNoNewTask = "{\"info\":\"GetWaitingTaskParam no new task\",\"result\":1}\n";
const std::string kUserCancel = "{\"info\":\"user cancel\",\"result\":0}\n";

TEST_F(CoreManagerTest, IdsStartAtTheirBasesAndTasksGoOutInAscendingOrder) {
    // Cores were held back at start (components being installed): the first task orders four,
    // every later task one more.
    EXPECT_EQ(Submit("pdf_to_docx"), 101);
    EXPECT_EQ(Submit("pdf_to_txt"), 102);
    EXPECT_EQ(Submit("pdf_merge"), 103);
    ASSERT_TRUE(WaitForCores(6));
    std::this_thread::sleep_for(100ms);
    const auto cores = Cores();
    EXPECT_EQ(cores.size(), 6u);
    EXPECT_EQ(cores.begin()->first, 1001);

    // The event starts signalled, so the first request answers at once.
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1003)), 101);
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1001)), 102);
    const std::string param = GetTask(*handler_, 1002);
    EXPECT_EQ(param,
              "{\"cmd\":\"pdf_merge\",\"source_path\":\"/home/用户/文档.pdf\",\"task_id\":103}\n");
    EXPECT_EQ(GetTask(*handler_, 1004), kNoNewTask);
    // An unknown core gets nothing.
    Submit("pdf_to_png");
    EXPECT_EQ(GetTask(*handler_, 4242), kNoNewTask);
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1004)), 104);
}

TEST_F(CoreManagerTest, ABatchPolicyOrdersItsOwnCountsAndNeverNoneForATask) {
    settings_.may_start_cores_at_init = [] { return true; };
    KPdfCoreManager manager(settings_);
    manager.SetCoreStarts({.at_init = 1, .at_first_task = 0, .per_task = 0});
    ASSERT_TRUE(manager.Init());
    ASSERT_TRUE(WaitForCores(1));
    Json::Value record;
    record["cmd"] = "pdf_to_docx";
    manager.AddTask(record);
    manager.AddTask(record);
    // One at start, and one for each task although the policy asked for none.
    ASSERT_TRUE(WaitForCores(3));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Cores().size(), 3u);
}

TEST_F(CoreManagerTest, GetTaskWithoutWorkWaitsAboutASecond) {
    const int task = Submit("pdf_to_txt");
    ASSERT_TRUE(WaitForCores(4));
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1001)), task);
    EXPECT_EQ(GetTask(*handler_, 1002), kNoNewTask);  // finds nothing: the event is reset
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetTask(*handler_, 1002), kNoNewTask);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 3s);
}

TEST_F(CoreManagerTest, CoresAskingAtOnceNeverShareATask) {
    constexpr int kTasks = 40;
    for (int i = 0; i < kTasks; ++i)
        Submit("pdf_to_txt");
    ASSERT_TRUE(WaitForCores(kTasks + 3));
    std::mutex mutex;
    std::vector<int> handed;  // guarded by mutex
    std::vector<std::thread> cores;
    for (int core = 0; core < 4; ++core) {
        cores.emplace_back([&, core] {
            KConvertTask handler(*manager_);
            for (int i = 0; i < kTasks / 4; ++i) {
                const int id = TaskIdOf(GetTask(handler, 1001 + core * 10 + i));
                std::lock_guard guard(mutex);
                handed.push_back(id);
            }
        });
    }
    for (auto& thread : cores)
        thread.join();
    const std::set<int> unique(handed.begin(), handed.end());
    EXPECT_EQ(unique.size(), static_cast<std::size_t>(kTasks));
    EXPECT_EQ(unique.count(0), 0u);
}

TEST_F(CoreManagerTest, PipeNamesServedByAnotherProgramArePassedOver) {
    // Another program took the names of this millisecond and the next few, as one started
    // at the same moment would.
    PipeLibrary library(PIPE_LIBRARY, "test");
    KConvertTask prototype(Manager());
    std::vector<IPipeSvr*> others;
    const auto tick = static_cast<std::int32_t>(platform::GetTickCount());
    for (int offset = 0; offset < 20; ++offset) {
        IPipeSvr* other = library.Create();
        other->SetProcessor(&prototype);
        if (other->Start(("0254CEE9_" + std::to_string(tick + offset)).c_str()))
            others.push_back(other);
        else
            library.Release(other);
    }
    ASSERT_FALSE(others.empty());

    KPdfCoreManager late(settings_);
    EXPECT_TRUE(late.Init());
    EXPECT_NE(late.PipeServerName(), "0254CEE9_" + std::to_string(tick));
    for (IPipeSvr* other : others) {
        other->Stop();
        library.Release(other);
    }
}

TEST_F(CoreManagerTest, RepliesFollowTheProtocol) {
    const int task = Submit("pdf_to_docx");
    const std::string id = std::to_string(task);
    ASSERT_EQ(TaskIdOf(Ask(R"({"CMD":"x","cmd":"GET_TASK","core_id":4242})")), 0);
    ASSERT_TRUE(WaitForCores(4));
    EXPECT_EQ(TaskIdOf(Ask("{\"cmd\":\"GET_TASK\",\r\n\"core_id\":1001}")), task);

    EXPECT_EQ(Ask(R"({"cmd":"notify","task_id":)" + id + R"(,"progress":40,"error":"页面损坏"})"),
              "{\"info\":\"OnNotifyProgress succeed\",\"result\":1}\n");
    EXPECT_EQ(Manager().GetInfo(task, "progress"), "40\n");
    EXPECT_EQ(Manager().GetIntInfo(task, "progress", -1), 40);
    EXPECT_EQ(Manager().GetInfo(task, "error"), "页面损坏");
    EXPECT_EQ(Manager().GetInfo(task, "cmd"), "notify");
    EXPECT_EQ(Manager().GetIntInfo(task, "missing", -7), -7);

    EXPECT_EQ(Ask(R"({"cmd":"get_params","task_id":)" + id + "}"), *Manager().GetTaskParam(task));
    EXPECT_EQ(Ask(R"({"cmd":"get_params"})"), "no task id");
    EXPECT_EQ(Ask(R"({"cmd":"get_params","task_id":999999})"), kUserCancel);
    EXPECT_EQ(Ask(R"({"cmd":"notify","progress":1})"),
              "{\"info\":\"SetInfo fail\",\"result\":0}\n");
    EXPECT_EQ(Ask(R"({"cmd":"dance","task_id":)" + id + "}"),
              "{\"info\":\"unknown operation\",\"result\":0}\n");
    for (const char* bad : {"", "not json", "{\"task_id\":5}", "[1,2]", "{\"cmd\":\"\"}"})
        EXPECT_EQ(Ask(bad), "{\"info\":\"unknown fail\",\"result\":0}\n") << bad;

    // An exit without a result fails the task.
    EXPECT_EQ(Ask(R"({"cmd":"exit","task_id":)" + id + "}"),
              "{\"info\":\"task exit failed\",\"result\":0}\n");
    EXPECT_EQ(Manager().GetInfo(task, "result"), "0");
}

TEST_F(CoreManagerTest, ExitAfterSuccessAndCancelStopsTheCore) {
    const int done = Submit("pdf_to_docx");
    const int cancelled = Submit("pdf_to_docx");
    const auto notify = [&](int task, const std::string& members) {
        return Ask(R"({"cmd":"notify","task_id":)" + std::to_string(task) + "," + members + "}");
    };
    notify(done, R"("result":1)");
    EXPECT_EQ(Ask(R"({"cmd":"exit","task_id":)" + std::to_string(done) + "}"),
              "{\"info\":\"good job\",\"result\":1}\n");

    notify(cancelled, R"("progress":10)");
    // A core echoing "cancel" cannot undo the user's cancel.
    ASSERT_TRUE(Manager().SetInfo(cancelled, "cancel", "1"));
    EXPECT_EQ(notify(cancelled, R"("progress":60,"cancel":"0")"), kUserCancel);
    EXPECT_EQ(Manager().GetIntInfo(cancelled, "progress", -1), 10);
    EXPECT_TRUE(Manager().IsCancelled(cancelled));
    EXPECT_TRUE(Manager().IsCancelled(424242));
    EXPECT_FALSE(Manager().IsTaskAlive(424242));
    EXPECT_FALSE(Manager().SetInfo(424242, "x", "y"));
}

TEST_F(CoreManagerTest, OnlyTasksWithAResultAreForgotten) {
    const int running = Submit("pdf_to_docx");
    const int done = Submit("pdf_to_docx");
    Ask(R"({"cmd":"notify","task_id":)" + std::to_string(running) + R"(,"progress":30})");
    Ask(R"({"cmd":"notify","task_id":)" + std::to_string(done) + R"(,"result":1})");
    EXPECT_FALSE(Manager().ForgetTask(running));
    EXPECT_EQ(Manager().GetIntInfo(running, "progress", -1), 30);
    EXPECT_TRUE(Manager().ForgetTask(done));
    EXPECT_FALSE(Manager().ForgetTask(done));
    EXPECT_EQ(Manager().GetInfo(done, "result"), "");
    // A core still speaking of a forgotten task is told to stop.
    EXPECT_EQ(Ask(R"({"cmd":"notify","task_id":)" + std::to_string(done) + R"(,"progress":99})"),
              kUserCancel);
}

TEST_F(CoreManagerTest, AfterShutdownACoreAskingForWorkIsToldTheServiceExited) {
    Manager();
    manager_->Shutdown();
    EXPECT_EQ(GetTask(*handler_, 1001), "{\"info\":\"service exited\",\"result\":0}\n");
}

TEST_F(CoreManagerTest, KilledCoreFailsItsTaskAtOnceAndLeavesNoZombie) {
    const int task = Submit("pdf_to_docx");
    ASSERT_TRUE(WaitForCores(4));
    ASSERT_EQ(TaskIdOf(GetTask(*handler_, 1002)), task);
    EXPECT_TRUE(Manager().IsTaskAlive(task));
    const pid_t pid = Cores().at(1002);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Manager().IsTaskAlive(task); }, 1s));
    EXPECT_FALSE(platform::IsProcessAlive(pid));
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid)));
}

TEST_F(CoreManagerTest, AKilledCoreStillWaitingForWorkIsGivenNone) {
    const int first = Submit("pdf_to_txt");
    ASSERT_TRUE(WaitForCores(4));
    ASSERT_EQ(TaskIdOf(GetTask(*handler_, 1001)), first);
    ASSERT_EQ(GetTask(*handler_, 1002), kNoNewTask);  // the event is reset now
    ASSERT_EQ(::kill(Cores().at(1003), SIGKILL), 0);
    KConvertTask dead_core(Manager());
    std::string answer;
    std::thread waiting([&] { answer = GetTask(dead_core, 1003); });
    std::this_thread::sleep_for(200ms);
    const int second = Submit("pdf_to_txt");
    waiting.join();
    EXPECT_EQ(answer, kNoNewTask);
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1004)), second);
}

TEST_F(CoreManagerTest, ATaskNoCoreCanTakeFailsWithAReason) {
    settings_.core_executable = temp_ / "missing-core";
    const int task = Submit("pdf_to_docx");
    EXPECT_TRUE(WaitUntil([&] { return !Manager().IsTaskAlive(task); }, 2s));
    EXPECT_EQ(Manager().GetInfo(task, "result"), "0");
    EXPECT_FALSE(Manager().GetInfo(task, "error").empty());
    // Given up means never handed out later.
    EXPECT_EQ(GetTask(*handler_, 1001), kNoNewTask);
}

TEST_F(CoreManagerTest, ATaskThatNoStartedCoreTakesFailsAfterTheBound) {
    settings_.take_timeout = 300ms;
    const int task = Submit("pdf_to_docx");
    ASSERT_TRUE(WaitForCores(4));
    EXPECT_TRUE(Manager().IsTaskAlive(task));
    EXPECT_TRUE(WaitUntil([&] { return !Manager().IsTaskAlive(task); }, 2s));
    EXPECT_EQ(Manager().GetInfo(task, "result"), "0");
}

TEST_F(CoreManagerTest, TheLogNeverShowsAPassword) {
    const auto log = temp_ / "quire.log";
    std::ofstream(log).close();
    ASSERT_TRUE(keasy::AsynLog::Instance().Init(log));
    const int task = Submit("pdf_decrypt", "s3cret-密码");
    ASSERT_TRUE(WaitForCores(4));
    EXPECT_EQ(TaskIdOf(GetTask(*handler_, 1001)), task);
    Ask(R"({"cmd":"get_params","task_id":)" + std::to_string(task) + "}");
    keasy::AsynLog::Instance().WaitIdle();
    keasy::AsynLog::Instance().Close();
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    EXPECT_NE(text.str().find("taskid:" + std::to_string(task)), std::string::npos);
    EXPECT_EQ(text.str().find("s3cret"), std::string::npos) << text.str();
    // The core itself still gets the password.
    EXPECT_NE(Manager().GetTaskParam(task)->find("s3cret-密码"), std::string::npos);
}

TEST(JsonWireTest, RedactionMasksPasswordsAtAnyDepthAndKeepsTheRest) {
    const std::string record =
        R"({"cmd":"new_merge_pdf","password":"a","source_file_list":[{"file_path":"x.pdf","password":"b"},{"password":""}]})";
    const std::string masked = json_wire::Redacted(record);
    EXPECT_EQ(masked,
              "{\"cmd\":\"new_merge_pdf\",\"password\":\"******\",\"source_file_list\":[{\"file_"
              "path\":\"x.pdf\",\"password\":\"******\"},{\"password\":\"\"}]}\n");
    EXPECT_EQ(json_wire::Redacted("{\"password\":\"x\""), "******");
    EXPECT_EQ(json_wire::Redacted("no task id"), "no task id");
    Json::Value parsed;
    EXPECT_FALSE(json_wire::Parse(std::string(500, '['), &parsed));
    EXPECT_TRUE(json_wire::Parse(std::string(20, '[') + std::string(20, ']'), &parsed));
}

}  // namespace
