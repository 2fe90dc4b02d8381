#include <gtest/gtest.h>

#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>

#include "convcore/ScriptedChannel.h"
#include "convcore/TestDocuments.h"
#include "core/JsonWire.h"
#include "platform/DynamicLibrary.h"
#include "platform/Process.h"
#include "quire-pipe/PipeInterfaces.h"
#include "support/TempDir.h"

namespace convcoretest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the program's side saw of one core, shared by every handler the server makes.
struct Conversation {
    std::mutex mutex;
    std::condition_variable changed;
    std::string task;                            // handed out once, then "service exited"
    bool task_handed = false;                    // guarded by mutex
    std::optional<Clock::time_point> first_ask;  // guarded by mutex
    int core_id = 0;                             // guarded by mutex
    std::map<std::string, std::string> values;   // guarded by mutex; as the program stores them
    bool exited = false;                         // guarded by mutex
};

class ScriptedProcessor : public IMsgProcessor {
public:
    explicit ScriptedProcessor(Conversation& conversation) : conversation_(conversation) {}

    const char* OnMessage(const char* request) override {
        Json::Value message;
        json_wire::Parse(request, &message);
        const std::string command = message.get("cmd", "").asString();
        const std::lock_guard<std::mutex> lock(conversation_.mutex);
        reply_ = "{\"info\":\"OnNotifyProgress succeed\",\"result\":1}\n";
        if (command == "get_task") {
            if (!conversation_.first_ask)
                conversation_.first_ask = Clock::now();
            conversation_.core_id = message.get("core_id", 0).asInt();
            reply_ =
                conversation_.task_handed ? FailureReply("service exited") : conversation_.task;
            conversation_.task_handed = true;
        } else if (command == "notify") {
            for (const auto& name : message.getMemberNames())
                conversation_.values[name] = json_wire::AsText(message[name]);
        } else if (command == "exit") {
            conversation_.exited = true;
            reply_ = "{\"info\":\"good job\",\"result\":1}\n";
        }
        conversation_.changed.notify_all();
        return reply_.c_str();
    }
    void OnDisconnect() override {}
    IMsgProcessor* CreateProcessor() override { return new ScriptedProcessor(conversation_); }
    void Release() override { delete this; }

private:
    Conversation& conversation_;
    std::string reply_;
};

TEST(CoreProcessTest, TheRealCoreAnswersAFileInfoTaskOverTheRealPipeAndExits) {
    TempDir runtime;
    const ScopedEnv runtime_variable("XDG_RUNTIME_DIR", runtime.Path().string());
    TempDir documents;
    WriteFile(documents / "three.pdf", BuildPdf(TextPages(3)));

    std::string error;
    const auto library = platform::DynamicLibrary::Open(QUIRE_PIPE_LIBRARY, &error);
    ASSERT_TRUE(library) << error;
    const auto create = library->FunctionNamed<IPipeSvr*()>("CreatePipeSvr");
    const auto release = library->FunctionNamed<void(IPipeSvr*)>("ReleasePipeSvr");
    ASSERT_TRUE(create && release);

    Conversation conversation;
    Json::Value record;
    record["file"] = (documents / "three.pdf").string();
    record["check_img_pdf"] = 1;
    record["try_no"] = 0;
    conversation.task = TaskText("get_file_info", 12, record);
    ScriptedProcessor prototype(conversation);
    IPipeSvr* server = create();
    ASSERT_NE(server, nullptr);
    server->SetProcessor(&prototype);
    ASSERT_TRUE(server->Start("convcore_test"));

    const auto spawned = Clock::now();
    const auto core =
        platform::Process::Spawn(QUIRE_CORE_BINARY, {"-core:3", "-server:convcore_test"}, &error);
    ASSERT_TRUE(core) << error;
    const bool ended = core->WaitForExit(20s);
    server->Stop();
    release(server);

    ASSERT_TRUE(ended);
    EXPECT_EQ(core->ExitCode(), 0);
    const std::lock_guard<std::mutex> lock(conversation.mutex);
    ASSERT_TRUE(conversation.first_ask);
    const auto start_time =
        std::chrono::duration_cast<std::chrono::milliseconds>(*conversation.first_ask - spawned);
    std::cout << "core start (spawn to first get_task): " << start_time.count() << " ms\n";
    EXPECT_LT(start_time, 1s);
    EXPECT_EQ(conversation.core_id, 3);
    EXPECT_EQ(conversation.values["task_id"], "12\n");
    EXPECT_EQ(conversation.values["page_count"], "3\n");
    EXPECT_EQ(conversation.values["is_unreadable_pdf"], "0\n");
    EXPECT_EQ(conversation.values["result"], "1\n");
    EXPECT_TRUE(conversation.exited);
}

}  // namespace
}  // namespace convcoretest
