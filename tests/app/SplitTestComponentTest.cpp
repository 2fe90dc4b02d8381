#include "app/SplitTestComponent.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/TempDir.h"

namespace {

std::string Calls(const std::filesystem::path& file) {
    std::stringstream content;
    content << std::ifstream(file).rdbuf();
    return content.str();
}

class SplitTestComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(SPLITTEST_DOUBLE, temp_ / SplitTestComponent::kLibraryName);
    }
    TempDir temp_;
    ScopedEnv out_{"QUIRE_TEST_SPLITTEST_OUT", (temp_ / "calls").string()};
};

TEST_F(SplitTestComponentTest, AbsentComponentLoadsNothing) {
    TempDir empty;
    SplitTestComponent component;
    EXPECT_FALSE(component.Load(empty.Path()));
    EXPECT_FALSE(component.IsInitialized());
    component.Unload();
}

TEST_F(SplitTestComponentTest, InitialisedComponentIsFinishedAndReleasedAtUnload) {
    SplitTestComponent component;
    ASSERT_TRUE(component.Load(temp_.Path()));
    EXPECT_TRUE(component.Load(temp_.Path())) << "once per process";
    EXPECT_EQ(Calls(temp_ / "calls"), "Initialize\n");
    component.Unload();
    EXPECT_EQ(Calls(temp_ / "calls"), "Initialize\nUninitialize\nRelease\n");
}

TEST_F(SplitTestComponentTest, RefusedInitialisationReleasesAtOnce) {
    ScopedEnv refuse("QUIRE_TEST_SPLITTEST_INIT", "0");
    SplitTestComponent component;
    EXPECT_FALSE(component.Load(temp_.Path()));
    EXPECT_EQ(Calls(temp_ / "calls"), "Initialize\nUninitialize\nRelease\n");
}

}  // namespace
