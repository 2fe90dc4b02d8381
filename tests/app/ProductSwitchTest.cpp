#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/KProductSwitch.h"
#include "app/MsvcRandom.h"
#include "platform/Process.h"
#include "support/TempDir.h"

namespace {

using product_switch::InstallationFacts;
using product_switch::SwitchRecord;

InstallationFacts Facts() {
    InstallationFacts facts;
    facts.try_no = 3;
    facts.identity = {"IID7", "100", "", "", ""};
    facts.age_days = 10;
    return facts;
}

SwitchRecord Switch(std::vector<int> on, int percent = 100) {
    SwitchRecord record;
    record.name = "s";
    record.on = std::move(on);
    record.percent = percent;
    return record;
}

TEST(ProductSwitchTest, GeneratorFollowsTheRuntimeArithmetic) {
    MsvcRandom random(1);
    EXPECT_EQ(random.Next(), 41);
    EXPECT_EQ(random.Next(), 18467);
    EXPECT_EQ(random.Next(), 6334);
    EXPECT_EQ(MsvcRandom(0).Next(), 38);
}

TEST(ProductSwitchTest, OnListPercentAndAge) {
    const InstallationFacts facts = Facts();
    EXPECT_TRUE(product_switch::Evaluate(Switch({1, 3}), facts, 99));
    EXPECT_FALSE(product_switch::Evaluate(Switch({}), facts, 0)) << "empty on list";
    EXPECT_FALSE(product_switch::Evaluate(Switch({-1, 3}), facts, 0)) << "-1 first";
    EXPECT_FALSE(product_switch::Evaluate(Switch({1, 2}), facts, 0)) << "TryNo not listed";
    EXPECT_FALSE(product_switch::Evaluate(Switch({3}, 0), facts, 0));
    EXPECT_TRUE(product_switch::Evaluate(Switch({3}, 30), facts, 29));
    EXPECT_FALSE(product_switch::Evaluate(Switch({3}, 30), facts, 30));

    SwitchRecord aged = Switch({3});
    aged.install_days_min = "10";
    aged.install_days_max = "";
    EXPECT_TRUE(product_switch::Evaluate(aged, facts, 0));
    aged.install_days_min = "11";
    EXPECT_FALSE(product_switch::Evaluate(aged, facts, 0));
    aged.install_days_min = "";
    aged.install_days_max = "9";
    EXPECT_FALSE(product_switch::Evaluate(aged, facts, 0));
}

TEST(ProductSwitchTest, ProductEntriesAndRanges) {
    const InstallationFacts facts = Facts();
    SwitchRecord record = Switch({3});
    record.product_ids.push_back({"iid7", "", "", "", ""});  // only iid, other case
    EXPECT_TRUE(product_switch::Evaluate(record, facts, 0));
    record.product_ids[0][1] = "101";
    EXPECT_FALSE(product_switch::Evaluate(record, facts, 0));

    // A range whose tid1min is empty does not limit tid1; an either-or with the entries.
    record.product_id_ranges.push_back({{"", "", "", "", ""}, {"", "50", "", "", ""}});
    EXPECT_TRUE(product_switch::Evaluate(record, facts, 0));
    record.product_id_ranges[0] = {{"", "101", "", "", ""}, {"", "200", "", "", ""}};
    EXPECT_FALSE(product_switch::Evaluate(record, facts, 0));
    record.product_id_ranges[0] = {{"", "99", "", "", ""}, {"", "100", "", "", ""}};
    EXPECT_TRUE(product_switch::Evaluate(record, facts, 0));
}

TEST(ProductSwitchTest, FileMarkerAndXml) {
    EXPECT_FALSE(product_switch::Decode(".tm"));
    EXPECT_FALSE(product_switch::Decode("xtmp<a/>"));
    const std::string xml =
        "<switches><group name=\"survey\"><switch id=\"2\" name=\"SatisfactionSurvey\" "
        "on=\"0,3\" percent=\"100\"><productid iid=\"IID7\"/><intalldays min=\"1\" max=\"\"/>"
        "</switch></group><group name=\"\"><switch name=\"x\" on=\"3\"/></group></switches>";
    const std::string packed = product_switch::Encode(xml);
    EXPECT_EQ(packed.substr(0, 4), ".tmp");
    EXPECT_EQ(packed.find("switch"), std::string::npos) << "stored scrambled";
    ASSERT_EQ(product_switch::Decode(packed), xml);

    auto groups = product_switch::ParseXml(xml);
    ASSERT_TRUE(groups);
    ASSERT_EQ(groups->size(), 1u) << "a group without a name is skipped";
    const SwitchRecord& record = groups->at("survey").at(0);
    EXPECT_EQ(record.id, 2);
    EXPECT_EQ(record.on, (std::vector<int>{0, 3}));
    EXPECT_EQ(record.product_ids.size(), 1u);
    EXPECT_EQ(record.install_days_min, "1");
    EXPECT_FALSE(product_switch::ParseXml("<unclosed"));
}

TEST(ProductSwitchTest, LoadedSwitchesAnswerByNameIgnoringCase) {
    TempDir temp;
    const auto file = temp / "kswitch.dat";
    std::ofstream(file) << product_switch::Encode(
        "<r><group name=\"survey\"><switch name=\"SatisfactionSurvey\" on=\"3\"/>"
        "<switch name=\"off\" on=\"4\"/></group></r>");
    KProductSwitch switches;
    switches.Init(file, Facts(), 1);
    EXPECT_TRUE(switches.IsSwitchOn("survey", "satisfactionsurvey"));
    EXPECT_FALSE(switches.IsSwitchOn("survey", "off"));
    EXPECT_FALSE(switches.IsSwitchOn("survey", "missing"));
    EXPECT_FALSE(switches.IsSwitchOn("other", "satisfactionsurvey"));

    KProductSwitch empty;
    std::ofstream(temp / "short.dat") << ".t";
    empty.Init(temp / "short.dat", Facts(), 1);
    EXPECT_FALSE(empty.IsSwitchOn("survey", "satisfactionsurvey"));
}

TEST(ProductSwitchTest, InstallTimeInBothForms) {
    ScopedEnv tz("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(product_switch::ParseInstallTime("2021-03-04 05:06:07"), 1614834367);
    EXPECT_EQ(product_switch::ParseInstallTime("2021年03月04日05时06分07秒"), 1614834367);
    EXPECT_FALSE(product_switch::ParseInstallTime("2021/03/04"));
    EXPECT_FALSE(product_switch::ParseInstallTime(""));
}

TEST(ProductSwitchTest, ToolOutputRoundTrips) {
    TempDir temp;
    const std::string xml = "<r><group name=\"g\"><switch name=\"开关\" on=\"1\"/></group></r>";
    std::ofstream(temp / "in.xml") << xml;
    auto run = [](std::vector<std::string> args) {
        auto tool = platform::Process::Spawn(KSWITCH_TOOL, args);
        EXPECT_TRUE(tool && tool->WaitForExit(std::chrono::seconds(10)));
        return tool->ExitCode().value_or(-1);
    };
    ASSERT_EQ(run({"pack", (temp / "in.xml").string(), (temp / "kswitch.dat").string()}), 0);
    ASSERT_EQ(run({"unpack", (temp / "kswitch.dat").string(), (temp / "out.xml").string()}), 0);
    std::stringstream out;
    out << std::ifstream(temp / "out.xml").rdbuf();
    EXPECT_EQ(out.str(), xml);
    // Malformed XML is refused and nothing is written.
    std::ofstream(temp / "bad.xml") << "<r><group>";
    EXPECT_NE(run({"pack", (temp / "bad.xml").string(), (temp / "bad.dat").string()}), 0);
    EXPECT_FALSE(std::filesystem::exists(temp / "bad.dat"));
}

}  // namespace
