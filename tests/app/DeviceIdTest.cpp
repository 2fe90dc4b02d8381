#include "app/DeviceId.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/KIniFile.h"
#include "platform/AtomicFile.h"
#include "support/TempDir.h"

namespace {

bool IsUpperHex(const std::string& id) {
    return id.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

class DeviceIdTest : public testing::Test {
protected:
    std::string StoredId() const {
        KIniFile file;
        file.Load(folders_.Writable("user.ini"), IniEncoding::kUtf8);
        return file.GetString("user", "uuid", "");
    }
    void WriteUserIni(const std::filesystem::path& folder, const std::string& text) {
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(platform::WriteFileAtomically(folder / "user.ini", text));
    }

    TempDir temp_;
    config::Folders folders_{temp_ / "program", temp_ / "user"};
};

TEST_F(DeviceIdTest, NewIdentifiersAreRandomVersionFourGuids) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        const std::string id = device_id::NewDeviceId();
        ASSERT_EQ(id.size(), 32u);
        EXPECT_TRUE(IsUpperHex(id)) << id;
        EXPECT_EQ(id[12], '4') << id;
        EXPECT_NE(std::string("89AB").find(id[16]), std::string::npos) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 64u);
}

TEST_F(DeviceIdTest, MadeOnceThenStableAcrossLoads) {
    const std::string first = device_id::GetDeviceId(folders_);
    EXPECT_EQ(first.size(), 32u);
    EXPECT_EQ(StoredId(), first);
    EXPECT_EQ(platform::ReadFileBounded(folders_.Writable("user.ini"), 1024).bytes,
              "\xEF\xBB\xBF[user]\r\nuuid=" + first + "\r\n");
    EXPECT_EQ(device_id::GetDeviceId(folders_), first);
}

TEST_F(DeviceIdTest, ShortOrNonHexValuesAreReplacedKeepingOtherKeys) {
    for (const std::string& bad :
         {std::string(31, 'A'), std::string(33, 'A'), std::string(31, 'a') + "g", std::string()}) {
        WriteUserIni(folders_.user, "[user]\nuuid=" + bad + "\nname=me\n[other]\nk=v\n");
        const std::string id = device_id::GetDeviceId(folders_);
        EXPECT_NE(id, bad);
        EXPECT_EQ(id.size(), 32u);
        KIniFile file;
        ASSERT_TRUE(file.Load(folders_.Writable("user.ini"), IniEncoding::kUtf8));
        EXPECT_EQ(file.GetString("user", "uuid", ""), id);
        EXPECT_EQ(file.GetString("user", "name", ""), "me");
        EXPECT_EQ(file.GetString("other", "k", ""), "v");
    }
}

TEST_F(DeviceIdTest, StoredIdentifierIsKeptAsWritten) {
    const std::string lower = "0123456789abcdef0123456789abcdef";
    WriteUserIni(folders_.program, "[User]\nUUID=" + lower + "\n");
    EXPECT_EQ(device_id::GetDeviceId(folders_), lower);
    EXPECT_FALSE(std::filesystem::exists(folders_.Writable("user.ini")));
}

TEST_F(DeviceIdTest, WriteFailureStillGivesAnIdentifier) {
    ASSERT_TRUE(platform::WriteFileAtomically(temp_ / "user", "a file where a folder belongs"));
    const std::string first = device_id::GetDeviceId(folders_);
    EXPECT_EQ(first.size(), 32u);
    EXPECT_TRUE(IsUpperHex(first));
    EXPECT_NE(device_id::GetDeviceId(folders_), first);
}

TEST_F(DeviceIdTest, ThreadsAskingAtOnceGetOneIdentifier) {
    std::vector<std::string> ids(8);
    std::vector<std::thread> threads;
    for (std::string& id : ids)
        threads.emplace_back([&id, this] { id = device_id::GetDeviceId(folders_); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 1u);
    EXPECT_EQ(StoredId(), ids.front());
}

}  // namespace
