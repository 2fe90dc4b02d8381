#include "app/NewUserStamp.h"

#include <gtest/gtest.h>

#include "app/Edition.h"
#include "platform/RegistryStore.h"
#include "support/TempDir.h"

namespace {

TEST(NewUserStampTest, FirstStartIsRecordedOnceAndCountsAsNewForThatDay) {
    TempDir temp;
    ScopedEnv tz("TZ", "UTC");
    ::tzset();
    platform::RegistryStore store(temp / "registry.ini", temp / "machine.ini");
    const std::time_t first = 1765262313;  // 2025-12-09 06:38 UTC
    EXPECT_TRUE(new_user::IsNewUser(store, first));
    ASSERT_TRUE(new_user::Stamp(store, first));
    ASSERT_TRUE(new_user::Stamp(store, first + 3600));
    EXPECT_EQ(
        store.GetDword(platform::RegistryRoot::CurrentUser, kProgramRegistryKey, "first_open_time"),
        static_cast<std::uint32_t>(first));
    EXPECT_TRUE(new_user::IsNewUser(store, first + 17 * 3600));
    EXPECT_FALSE(new_user::IsNewUser(store, first + 18 * 3600));
}

TEST(NewUserStampTest, ZeroCountsAsMissing) {
    TempDir temp;
    platform::RegistryStore store(temp / "registry.ini", temp / "machine.ini");
    ASSERT_TRUE(store.SetDword(platform::RegistryRoot::CurrentUser, kProgramRegistryKey,
                               "first_open_time", 0));
    ASSERT_TRUE(new_user::Stamp(store, 1765262313));
    EXPECT_EQ(
        store.GetDword(platform::RegistryRoot::CurrentUser, kProgramRegistryKey, "first_open_time"),
        1765262313u);
}

}  // namespace
