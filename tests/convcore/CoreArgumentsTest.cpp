#include <gtest/gtest.h>

#include "convcore/CoreArguments.h"

namespace {

using convcore::ParseCoreArguments;

TEST(CoreArgumentsTest, AcceptsTheProgramsFormsInAnyOrder) {
    struct Case {
        std::vector<std::string> arguments;
        int core_id;
        std::string server;
        bool multi_task;
    };
    const Case cases[] = {
        {{"-core:3", "-server:quire_pdf"}, 3, "quire_pdf", false},
        {{"-core:666", "-server:watermark_preview", "-multi_task:true"},
         666,
         "watermark_preview",
         true},
        {{"-server:s", "-CORE:-2"}, -2, "s", false},
        {{"--core:1", "-server:a:b", "-Multi_Task:FALSE"}, 1, "a:b", false},
        {{"-core:1", "-server:s", "-multi_task:1"}, 1, "s", true},
    };
    for (const Case& test : cases) {
        std::string error;
        const auto parsed = ParseCoreArguments(test.arguments, &error);
        ASSERT_TRUE(parsed) << test.arguments[0] << ": " << error;
        EXPECT_EQ(parsed->core_id, test.core_id);
        EXPECT_EQ(parsed->server_name, test.server);
        EXPECT_EQ(parsed->multi_task, test.multi_task);
    }
}

TEST(CoreArgumentsTest, RefusesWhatItCannotUseWithAReason) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"-core:1"},
        {"-server:s"},
        {"-core:x", "-server:s"},
        {"-core:1x", "-server:s"},
        {"-core:99999999999", "-server:s"},
        {"-core:", "-server:s"},
        {"-core:1", "-server:"},
        {"-core:1", "-server:s", "-multi_task:yes"},
        {"-core:1", "-server:s", "-core:2"},
        {"-core:1", "-server:s", "-speed:fast"},
        {"core:1", "-server:s"},
        {"-core", "-server:s"},
    };
    for (const auto& arguments : cases) {
        std::string error;
        EXPECT_FALSE(ParseCoreArguments(arguments, &error))
            << (arguments.empty() ? "(none)" : arguments.back());
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
