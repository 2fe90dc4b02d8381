#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "convcore/CoreLoop.h"
#include "convcore/PendingOutput.h"
#include "convcore/ScriptedChannel.h"
#include "support/TempDir.h"

namespace convcoretest {
namespace {

using namespace std::chrono_literals;
using convcore::CoreEnd;
using convcore::TaskContext;
using convcore::TaskOutcome;

class CoreLoopTest : public ::testing::Test {
protected:
    CoreLoopTest() {
        options_.core_id = 4;
        dispatcher_.Register("quick", [](const Json::Value& record, TaskContext& context) {
            context.Report("echo", record.get("value", 0).asInt());
            return TaskOutcome::Success();
        });
        dispatcher_.Register("fail", [](const Json::Value&, TaskContext&) {
            return TaskOutcome::Failure("the document is damaged");
        });
        dispatcher_.Register("throw", [](const Json::Value& record, TaskContext&) {
            // A type error of jsoncpp: text read as an integer.
            return TaskOutcome::Failure(std::to_string(record["cmd"].asInt()));
        });
    }

    CoreEnd Run() { return convcore::RunCoreLoop(channel_, dispatcher_, options_); }

    // The task's messages after it was handed out: what the program sees of it.
    std::vector<std::string> CommandsAfterTask() const {
        std::vector<std::string> commands;
        bool started = false;
        for (const auto& sent : channel_.Log()) {
            const std::string command = sent.message.get("cmd", "").asString();
            started = started || command != "get_task";
            if (started)
                commands.push_back(command);
        }
        return commands;
    }

    ScriptedChannel channel_;
    convcore::CommandDispatcher dispatcher_;
    convcore::CoreLoopOptions options_;
};

TEST_F(CoreLoopTest, AsksUntilATaskComesThenReportsValuesBeforeTheResultAndExits) {
    Json::Value record;
    record["value"] = 42;
    channel_.get_task_replies = {NoTaskReply(), NoTaskReply(), TaskText("quick", 17, record)};

    EXPECT_EQ(Run(), CoreEnd::kTaskDone);

    const auto asks = channel_.Messages("get_task");
    ASSERT_EQ(asks.size(), 3u);
    EXPECT_EQ(asks[0]["core_id"], 4);
    EXPECT_EQ(CommandsAfterTask(), (std::vector<std::string>{"notify", "notify", "exit"}));
    const auto notifies = channel_.Messages("notify");
    EXPECT_EQ(notifies[0]["echo"], 42);
    EXPECT_EQ(notifies[0]["progress"], 100);
    EXPECT_FALSE(notifies[0].isMember("result"));
    EXPECT_EQ(notifies[1]["result"], 1);
    EXPECT_EQ(notifies[1]["error"], "");
    for (const auto& notify : notifies)
        EXPECT_EQ(notify["task_id"], 17);
    EXPECT_EQ(channel_.Messages("exit").at(0)["task_id"], 17);
}

TEST_F(CoreLoopTest, OnlyASecondQuickNoTaskInARowPausesTheNextAsk) {
    // A single quick "no task" is a race lost to another core: the task that comes next must
    // not wait out a pause. A server that keeps answering at once is still not hammered.
    options_.idle_pause = 2s;
    channel_.get_task_replies = {NoTaskReply(), NoTaskReply(), TaskText("quick", 1)};
    EXPECT_EQ(Run(), CoreEnd::kTaskDone);

    std::vector<std::chrono::steady_clock::time_point> asked;
    for (const auto& sent : channel_.Log()) {
        if (sent.message.get("cmd", "").asString() == "get_task")
            asked.push_back(sent.at);
    }
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_LT(asked[1] - asked[0], 1s);
    EXPECT_GE(asked[2] - asked[1], 2s);
}

TEST_F(CoreLoopTest, PreparationRunsOnlyWhileACoreWaitsForItsFirstTask) {
    std::atomic<int> prepared{0};
    options_.while_waiting = [&prepared] { ++prepared; };
    options_.idle_after = 1s;
    channel_.get_task_replies = {TaskText("quick", 1)};
    EXPECT_EQ(Run(), CoreEnd::kTaskDone);
    EXPECT_EQ(prepared, 0) << "the task came at once";

    options_.idle_after = 50ms;
    for (const bool task_comes : {true, false}) {
        channel_ = ScriptedChannel();
        channel_.first_task_delay = 1500ms;
        if (task_comes)
            channel_.get_task_replies = {TaskText("quick", 2)};
        EXPECT_EQ(Run(), task_comes ? CoreEnd::kTaskDone : CoreEnd::kServiceExited);
    }
    EXPECT_EQ(prepared, 2) << "the core waited, and the loop ended only after the work";
}

TEST_F(CoreLoopTest, EveryMessageIsOneCompactJsonLine) {
    channel_.get_task_replies = {NoTaskReply(), TaskText("quick", 1)};
    Run();
    for (const auto& sent : channel_.Log()) {
        EXPECT_TRUE(sent.message.isObject()) << sent.text;
        EXPECT_EQ(sent.text.find('\n'), sent.text.size() - 1) << sent.text;
        EXPECT_EQ(sent.text.find(' '), std::string::npos) << sent.text;
    }
}

TEST_F(CoreLoopTest, FailuresEndWithResultZeroAndTheErrorAsText) {
    struct Case {
        std::string command;
        std::string error_prefix;
    };
    const Case cases[] = {
        {"fail", "the document is damaged"},
        {"pdf_to_docx", "unsupported command: pdf_to_docx"},
        {"throw", "internal error"},
    };
    for (const Case& test : cases) {
        ScriptedChannel channel;
        channel.get_task_replies = {TaskText(test.command, 9)};
        EXPECT_EQ(convcore::RunCoreLoop(channel, dispatcher_, options_), CoreEnd::kTaskDone);
        const auto results = channel.Results();
        ASSERT_EQ(results.size(), 1u) << test.command;
        EXPECT_EQ(results[0]["result"], 0) << test.command;
        ASSERT_TRUE(results[0]["error"].isString()) << test.command;
        EXPECT_EQ(results[0]["error"].asString().rfind(test.error_prefix, 0), 0u)
            << results[0]["error"].asString();
        EXPECT_EQ(channel.Messages("exit").size(), 1u) << test.command;
    }
}

TEST_F(CoreLoopTest, ASlowTaskReportsItsProgressAtLeastOnceASecond) {
    dispatcher_.Register("slow", [](const Json::Value&, TaskContext& context) {
        for (int step = 1; step <= 23 && !context.IsCancelled(); ++step) {
            std::this_thread::sleep_for(100ms);
            context.SetProgress(step * 4);
        }
        return TaskOutcome::Success();
    });
    channel_.get_task_replies = {TaskText("slow", 3)};
    const auto started = std::chrono::steady_clock::now();

    EXPECT_EQ(Run(), CoreEnd::kTaskDone);

    auto last = started;
    int last_progress = 0;
    int progress_messages = 0;
    for (const auto& sent : channel_.Log()) {
        if (sent.message.get("cmd", "").asString() != "notify")
            continue;
        EXPECT_LT(sent.at - last, 1s);
        last = sent.at;
        const int progress = sent.message.get("progress", -1).asInt();
        if (progress >= 0) {
            EXPECT_GE(progress, last_progress);
            last_progress = progress;
            ++progress_messages;
        }
    }
    EXPECT_GE(progress_messages, 3);
    EXPECT_EQ(last_progress, 100);
}

// A handler that writes its output the safe way and works until it is told to stop.
TaskOutcome WriteUntilCancelled(const std::filesystem::path& target, std::atomic<bool>* saw_cancel,
                                TaskContext& context) {
    convcore::PendingOutput output(target);
    std::ofstream(output.WorkPath()) << "half a document";
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (!context.IsCancelled() && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(10ms);
    *saw_cancel = context.IsCancelled();
    return TaskOutcome::Failure("cancelled");
}

TEST_F(CoreLoopTest, UserCancelStopsTheHandlerRemovesItsOutputAndEndsTheCore) {
    TempDir folder;
    std::atomic<bool> saw_cancel{false};
    dispatcher_.Register("write", [&](const Json::Value&, TaskContext& context) {
        return WriteUntilCancelled(folder / "out.pdf", &saw_cancel, context);
    });
    options_.multi_task = true;
    channel_.get_task_replies = {TaskText("write", 5), TaskText("quick", 6)};
    channel_.cancel_from_notify = 2;

    EXPECT_EQ(Run(), CoreEnd::kCancelled);

    EXPECT_TRUE(saw_cancel);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    EXPECT_TRUE(channel_.Messages("exit").empty());
    EXPECT_EQ(channel_.Messages("get_task").size(), 1u);
}

TEST_F(CoreLoopTest, ALostPipeMidTaskAlsoStopsTheHandler) {
    TempDir folder;
    std::atomic<bool> saw_cancel{false};
    dispatcher_.Register("write", [&](const Json::Value&, TaskContext& context) {
        return WriteUntilCancelled(folder / "out.pdf", &saw_cancel, context);
    });
    channel_.get_task_replies = {TaskText("write", 5)};
    channel_.lose_at_notify = 1;

    EXPECT_EQ(Run(), CoreEnd::kServerLost);
    EXPECT_TRUE(saw_cancel);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST_F(CoreLoopTest, AHandlerThatIgnoresTheCancelIsLeftBehindAfterTheGraceTime) {
    dispatcher_.Register("deaf", [](const Json::Value&, TaskContext&) {
        std::this_thread::sleep_for(1500ms);
        return TaskOutcome::Success();
    });
    options_.progress_interval = 50ms;
    options_.cancel_grace = 100ms;
    channel_.get_task_replies = {TaskText("deaf", 5)};
    channel_.cancel_from_notify = 1;

    EXPECT_EQ(Run(), CoreEnd::kHandlerStuck);
}

TEST_F(CoreLoopTest, TheLoopEndsWhenTheProgramDoes) {
    struct Case {
        std::optional<std::string> reply;
        CoreEnd end;
    };
    const Case cases[] = {
        {FailureReply("service exited"), CoreEnd::kServiceExited},
        {std::nullopt, CoreEnd::kServerLost},
    };
    for (const Case& test : cases) {
        ScriptedChannel channel;
        channel.get_task_replies = {NoTaskReply(), test.reply, TaskText("quick", 1)};
        EXPECT_EQ(convcore::RunCoreLoop(channel, dispatcher_, options_), test.end);
        EXPECT_EQ(channel.Log().size(), 2u);
    }
}

TEST_F(CoreLoopTest, OneTaskPerProcessUnlessMultiTask) {
    channel_.get_task_replies = {TaskText("quick", 1), TaskText("quick", 2)};
    EXPECT_EQ(Run(), CoreEnd::kTaskDone);
    EXPECT_EQ(channel_.Messages("exit").size(), 1u);

    ScriptedChannel multi;
    multi.get_task_replies = {TaskText("quick", 1), NoTaskReply(), TaskText("fail", 2)};
    options_.multi_task = true;
    EXPECT_EQ(convcore::RunCoreLoop(multi, dispatcher_, options_), CoreEnd::kServiceExited);
    const auto exits = multi.Messages("exit");
    ASSERT_EQ(exits.size(), 2u);
    EXPECT_EQ(exits[0]["task_id"], 1);
    EXPECT_EQ(exits[1]["task_id"], 2);
    EXPECT_EQ(multi.Results()[0]["result"], 1);
    EXPECT_EQ(multi.Results()[1]["result"], 0);
}

TEST_F(CoreLoopTest, MalformedRepliesAreSurvived) {
    // Replies to "get_task" that are no JSON object, or hold neither "cmd" nor "result".
    channel_.get_task_replies = {
        std::string("no task id"), std::string("[1,2]"), std::string("{\"info\":\"x\"}"),
        std::string("{\"cmd\":"),  std::string(),        TaskText("quick", 8)};
    channel_.notify_reply = "garbage";

    EXPECT_EQ(Run(), CoreEnd::kTaskDone);
    EXPECT_EQ(channel_.Results().at(0)["result"], 1);
}

TEST_F(CoreLoopTest, EndlessNonsenseCountsAsALostServer) {
    for (int reply = 0; reply < 100; ++reply)
        channel_.get_task_replies.push_back(std::string("\x01\x02"));
    EXPECT_EQ(Run(), CoreEnd::kServerLost);
    EXPECT_LT(channel_.Log().size(), 100u);
}

TEST_F(CoreLoopTest, ATaskWithoutAUsableCommandStillEndsProperly) {
    channel_.get_task_replies = {std::string("{\"cmd\":{\"a\":1},\"task_id\":\"x\"}")};
    EXPECT_EQ(Run(), CoreEnd::kTaskDone);
    const auto results = channel_.Results();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0]["result"], 0);
    EXPECT_EQ(results[0]["error"], "unsupported command: ");
    EXPECT_EQ(results[0]["task_id"], 0);
}

}  // namespace
}  // namespace convcoretest
