#include "app/ConsentSetting.h"

#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "platform/RegistryStore.h"
#include "support/TempDir.h"

namespace {

using platform::RegistryRoot;

class ConsentSettingTest : public testing::Test {
protected:
    TempDir temp_;
    platform::RegistryStore store_{temp_ / "registry.ini", temp_ / "machine.ini"};
    ConsentSetting consent_{store_, "Software\\swiftleaf\\codex"};
};

TEST_F(ConsentSettingTest, OnlyAStoredOneIsConsent) {
    EXPECT_FALSE(consent_.IsAgreed());
    ASSERT_TRUE(consent_.Store(true));
    EXPECT_TRUE(consent_.IsAgreed());
    EXPECT_EQ(store_.GetDword(RegistryRoot::CurrentUser, "software\\SWIFTLEAF\\codex",
                              "deep_convert_switch"),
              1u);
    ASSERT_TRUE(consent_.Store(false));
    EXPECT_FALSE(consent_.IsAgreed());
    EXPECT_EQ(store_.GetDword(RegistryRoot::CurrentUser, consent_.key(), "deep_convert_switch"),
              0u);
    ASSERT_TRUE(
        store_.SetDword(RegistryRoot::CurrentUser, consent_.key(), "deep_convert_switch", 2));
    EXPECT_FALSE(consent_.IsAgreed());
}

TEST_F(ConsentSettingTest, WrongTypeOrOtherRootIsNotConsent) {
    ASSERT_TRUE(
        store_.SetString(RegistryRoot::CurrentUser, consent_.key(), "deep_convert_switch", "1"));
    EXPECT_FALSE(consent_.IsAgreed());
    ASSERT_TRUE(
        store_.SetQword(RegistryRoot::CurrentUser, consent_.key(), "deep_convert_switch", 1));
    EXPECT_FALSE(consent_.IsAgreed());
    // A machine-wide value never speaks for the user.
    ASSERT_TRUE(platform::WriteFileAtomically(
        temp_ / "machine.ini", "[Software\\swiftleaf\\codex]\ndeep_convert_switch=dword:1\n"));
    EXPECT_FALSE(consent_.IsAgreed());
    // A value of the wrong type is replaced by a write.
    ASSERT_TRUE(consent_.Store(true));
    EXPECT_TRUE(consent_.IsAgreed());
}

TEST_F(ConsentSettingTest, UnreadableStoreIsNotConsent) {
    ASSERT_TRUE(consent_.Store(true));
    std::string huge = "[Software\\swiftleaf\\codex]\ndeep_convert_switch=dword:1\n";
    huge.resize(platform::RegistryStore::kMaxFileBytes + 1, ';');
    ASSERT_TRUE(platform::WriteFileAtomically(temp_ / "registry.ini", huge));
    EXPECT_FALSE(consent_.IsAgreed());
}

TEST_F(ConsentSettingTest, KeyFollowsTheComponentConfiguration) {
    const auto config = temp_ / "componentconfig.ini";
    EXPECT_EQ(ConsentSetting::SettingsKey(config), "Software\\swiftleaf\\codex");
    ASSERT_TRUE(platform::WriteFileAtomically(config, "[Product]\nreg_name=\n"));
    EXPECT_EQ(ConsentSetting::SettingsKey(config), "Software\\swiftleaf\\codex");
    ASSERT_TRUE(platform::WriteFileAtomically(config, "[product]\nREG_NAME = QuireX\n"));
    EXPECT_EQ(ConsentSetting::SettingsKey(config), "Software\\QuireX\\codex");
}

}  // namespace
