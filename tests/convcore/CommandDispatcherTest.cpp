#include "convcore/CommandDispatcher.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "convcore/RecordingContext.h"

namespace convcoretest {
namespace {

using convcore::TaskOutcome;

Json::Value Task(const std::string& command) {
    Json::Value record;
    record["cmd"] = command;
    return record;
}

TEST(CommandDispatcherTest, AFallbackTakesOnlyTheCommandsNotInTheTable) {
    std::vector<std::string> fallback_saw;
    convcore::CommandDispatcher dispatcher;
    dispatcher.Register("Get_File_Info", [](const Json::Value&, convcore::TaskContext&) {
        return TaskOutcome::Success("own");
    });
    dispatcher.SetFallback([&](const Json::Value& record, convcore::TaskContext&) {
        fallback_saw.push_back(record["cmd"].asString());
        return TaskOutcome::Failure("elsewhere");
    });
    RecordingContext context;
    for (const char* command : {"get_file_info", "GET_FILE_INFO"})
        EXPECT_EQ(dispatcher.HandlerFor(Task(command))(Task(command), context).error, "own");
    EXPECT_EQ(dispatcher.HandlerFor(Task("pdf_merge"))(Task("pdf_merge"), context).error,
              "elsewhere");
    EXPECT_EQ(fallback_saw, std::vector<std::string>{"pdf_merge"});
}

TEST(CommandDispatcherTest, WithoutAFallbackAnUnknownCommandFailsAsUnsupported) {
    const convcore::CommandDispatcher dispatcher;
    RecordingContext context;
    const TaskOutcome outcome =
        dispatcher.HandlerFor(Task("pdf_merge"))(Task("pdf_merge"), context);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "unsupported command: pdf_merge");
}

TEST(CommandDispatcherTest, AThrowingFallbackFailsItsTaskInsteadOfTheCore) {
    convcore::CommandDispatcher dispatcher;
    dispatcher.SetFallback([](const Json::Value&, convcore::TaskContext&) -> TaskOutcome {
        throw std::runtime_error("module state broken");
    });
    RecordingContext context;
    const TaskOutcome outcome =
        dispatcher.HandlerFor(Task("pdf_merge"))(Task("pdf_merge"), context);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "internal error: module state broken");
}

}  // namespace
}  // namespace convcoretest
