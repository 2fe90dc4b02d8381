#include "app/KABTestSwitch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/KIniFile.h"
#include "support/TempDir.h"

namespace {

class ABTestSwitchTest : public ::testing::Test {
protected:
    void WriteSwitches(const std::string& text) { std::ofstream(switch_file_) << text; }
    std::string Records() {
        std::stringstream content;
        content << std::ifstream(abrecord_).rdbuf();
        return content.str();
    }
    bool Decide(const std::string& name, std::time_t now) {
        KABTestSwitch switches;
        EXPECT_EQ(switches.Init(switch_file_, abrecord_, now), 1);
        return switches.IsOn(name);
    }

    TempDir temp_;
    const std::filesystem::path switch_file_ = temp_ / "switch.ini";
    const std::filesystem::path abrecord_ = temp_ / "user" / "abrecord.ini";
};

TEST_F(ABTestSwitchTest, SwitchesDrawnInTheSameSecondShareTheirNumber) {
    WriteSwitches("[switch]\nx=1\n[Low]\npercentage=30\n[high]\npercentage=70\n");
    int low_on = 0;
    for (std::time_t now = 1700000000; now < 1700000400; ++now) {
        KABTestSwitch switches;
        switches.Init(switch_file_, abrecord_, now);
        if (switches.IsOn("low")) {
            ++low_on;
            EXPECT_TRUE(switches.IsOn("HIGH")) << now;
        }
    }
    // Roughly 30% of 400 draws: both outcomes happen.
    EXPECT_GT(low_on, 60);
    EXPECT_LT(low_on, 180);
}

TEST_F(ABTestSwitchTest, ConsistentSwitchKeepsItsDecisionUntilItsVersionChanges) {
    WriteSwitches("[s]\nconsistent=1\npercentage=50\nver=1\n");
    // Find a second whose draw turns the switch on, then one that would turn it off.
    auto fresh_decision = [this](std::time_t now) {
        std::filesystem::remove(abrecord_);
        return Decide("s", now);
    };
    std::time_t on_time = 1700000000;
    while (!fresh_decision(on_time))
        ++on_time;
    std::time_t off_time = on_time + 1;
    while (fresh_decision(off_time))
        ++off_time;
    std::filesystem::remove(abrecord_);

    EXPECT_TRUE(Decide("s", on_time));
    EXPECT_NE(Records().find("[s]\r\nfunc_on=1\r\nver=1\r\n"), std::string::npos) << Records();
    EXPECT_TRUE(Decide("s", off_time)) << "recorded decision kept";

    WriteSwitches("[s]\nconsistent=1\npercentage=50\nver=2\n");
    EXPECT_FALSE(Decide("s", off_time)) << "a new version draws again";
    EXPECT_NE(Records().find("func_on=0\r\nver=2"), std::string::npos) << Records();
}

TEST_F(ABTestSwitchTest, InconsistentSwitchDrawsEveryTimeAndIsNotRecorded) {
    WriteSwitches("[always]\npercentage=100\n[never]\npercentage=0\n");
    EXPECT_TRUE(Decide("always", 1700000000));
    EXPECT_FALSE(Decide("never", 1700000000));
    // The record file is written but holds no decision for them.
    ASSERT_TRUE(std::filesystem::exists(abrecord_));
    EXPECT_EQ(Records().find("always"), std::string::npos);
    EXPECT_TRUE(Decide("unknown", 1700000000));
}

TEST_F(ABTestSwitchTest, SwitchFileThatDoesNotParseLeavesEverythingOnAndWritesNothing) {
    WriteSwitches("[never]\npercentage=0\nbroken line\n");
    EXPECT_TRUE(Decide("never", 1700000000));
    EXPECT_FALSE(std::filesystem::exists(abrecord_));
    std::filesystem::remove(switch_file_);
    EXPECT_TRUE(Decide("never", 1700000000));
    EXPECT_FALSE(std::filesystem::exists(abrecord_));
}

}  // namespace
