#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/SocketIo.h"
#include "support/TempDir.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

class InstanceChannelTest : public ::testing::Test {
protected:
    std::unique_ptr<InstanceServer> Listen(bool accept = true, uid_t uid = ::geteuid()) {
        std::string error;
        auto server = InstanceServer::Listen(
            path_,
            [this, accept](HandOverMessage message) {
                std::lock_guard guard(mutex_);
                received_.push_back(std::move(message));
                return accept;
            },
            uid, &error);
        EXPECT_TRUE(server) << error;
        return server;
    }

    std::vector<HandOverMessage> Received() {
        std::lock_guard guard(mutex_);
        return received_;
    }

    TempDir temp_;
    const std::string path_ = (temp_ / "instance.sock").string();
    std::mutex mutex_;
    std::vector<HandOverMessage> received_;  // guarded by mutex_
};

TEST_F(InstanceChannelTest, MessageArrivesOnceAndWhole) {
    auto server = Listen();
    const std::string command_line = "-kpath:\"/home/用户/a b.pdf\" /type:3";
    EXPECT_EQ(SendHandOver(path_, {1, command_line}, 2s), HandOverResult::Delivered);
    EXPECT_EQ(SendHandOver(path_, {2, ""}, 2s), HandOverResult::Delivered);
    auto messages = Received();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].kind, 1u);
    EXPECT_EQ(messages[0].payload, command_line);
    EXPECT_EQ(messages[1].kind, 2u);
    EXPECT_EQ(messages[1].payload, "");
}

TEST_F(InstanceChannelTest, HandlerThatDeclinesIsRefused) {
    auto server = Listen(false);
    EXPECT_EQ(SendHandOver(path_, {1, "x"}, 2s), HandOverResult::Refused);
}

TEST_F(InstanceChannelTest, NoServerOrStaleSocketIsNoInstance) {
    EXPECT_EQ(SendHandOver(path_, {1, "x"}, 1s), HandOverResult::NoInstance);
    { auto server = Listen(); }  // removes its socket file when it goes
    EXPECT_FALSE(std::filesystem::exists(path_));

    // A socket file whose owner died without cleaning up.
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    ASSERT_TRUE(MakeUnixAddress(path_, &address));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    EXPECT_EQ(SendHandOver(path_, {1, "x"}, 1s), HandOverResult::NoInstance);
    // A new holder replaces the stale file.
    auto server = Listen();
    EXPECT_EQ(SendHandOver(path_, {1, "x"}, 2s), HandOverResult::Delivered);
}

TEST_F(InstanceChannelTest, PeerOfAnotherUidIsRefused) {
    auto server = Listen(true, ::geteuid() + 1);
    EXPECT_NE(SendHandOver(path_, {1, "x"}, 2s), HandOverResult::Delivered);
    EXPECT_TRUE(Received().empty());
}

TEST_F(InstanceChannelTest, OversizedMessageIsRefusedAndTheServerGoesOn) {
    auto server = Listen();
    EXPECT_EQ(SendHandOver(path_, {1, std::string(kHandOverMaxPayload + 1, 'x')}, 2s),
              HandOverResult::Refused);

    // A client that lies about the size gets refused without the server reading it all.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    ASSERT_TRUE(MakeUnixAddress(path_, &address));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string header;
    PutUint32Le(header, 1);
    PutUint32Le(header, 0xFFFFFFFFu);
    ASSERT_TRUE(WriteAll(fd, header.data(), header.size(), Deadline(1000)));
    char answer = 9;
    ASSERT_TRUE(ReadExact(fd, &answer, 1, Deadline(2000)));
    EXPECT_EQ(answer, 0);
    ::close(fd);

    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(SendHandOver(path_, {1, "after"}, 2s), HandOverResult::Delivered);
}

TEST_F(InstanceChannelTest, SilentServerTimesOut) {
    // Listening but never accepting: the sender must give up within its bound.
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    ASSERT_TRUE(MakeUnixAddress(path_, &address));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    EXPECT_EQ(SendHandOver(path_, {1, "x"}, 200ms), HandOverResult::TimedOut);
    ::close(fd);
}

TEST_F(InstanceChannelTest, SocketPathLivesInThePrivateFolderAndFitsAnAddress) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", temp_.Path().string());
    EXPECT_EQ(InstanceSocketPath("vellum_x_1"),
              (temp_ / "quire" / "instance" / "vellum_x_1.sock").string());
    EXPECT_EQ(InstanceSocketPath("a/b"), "");
    EXPECT_EQ(InstanceSocketPath(std::string(200, 'n')), "");
}

}  // namespace
}  // namespace platform
