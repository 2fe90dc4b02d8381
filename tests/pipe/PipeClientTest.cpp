#include "quire-pipe/PipeClient.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include "pipe/PipeTestSupport.h"
#include "platform/SocketIo.h"

namespace pipetest {
namespace {

using quirepipe::PipeClient;
using quirepipe::PipeSocketPath;
using Clock = std::chrono::steady_clock;

class PipeClientTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library_.Loaded()) << library_.Error(); }

    TempDir runtime_;
    ScopedEnv runtime_variable_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
    Recorder recorder_;
    PipeLibrary library_;
};

TEST_F(PipeClientTest, SocketPathIsInThePrivatePipeFolder) {
    EXPECT_EQ(PipeSocketPath("kpdf_server_1"),
              (runtime_ / "quire/pipe/kpdf_server_1.sock").string());
    struct stat info {};
    ASSERT_EQ(::stat((runtime_ / "quire/pipe").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    for (const std::string& name : UnusableNames())
        EXPECT_EQ(PipeSocketPath(name), "") << "name \"" << name << "\"";
}

TEST_F(PipeClientTest, ConnectGivesUpAtItsBoundWithoutAServer) {
    std::string error;
    const auto start = Clock::now();
    EXPECT_FALSE(PipeClient::Connect("nobody", 300ms, &error));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 280ms);
    EXPECT_LT(waited, 1500ms);
    EXPECT_NE(error.find("nobody"), std::string::npos) << error;

    EXPECT_FALSE(PipeClient::Connect("a/b", 5s, &error));
    EXPECT_NE(error.find("unusable"), std::string::npos) << error;
}

TEST_F(PipeClientTest, ConnectWaitsForAServerThatStartsLate) {
    ServerPtr server = library_.NewServer(recorder_.Prototype());
    std::thread starter([&] {
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(server->Start("late"));
    });
    std::string error;
    auto client = PipeClient::Connect("late", 5s, &error);
    starter.join();
    ASSERT_TRUE(client) << error;
    EXPECT_EQ(client->Request("hello", 2s), "hello");
}

TEST_F(PipeClientTest, RequestGivesUpAtItsBoundAndTheConnectionIsThenDone) {
    ServerPtr server = library_.NewServer(recorder_.Prototype());
    ASSERT_TRUE(server->Start("slow"));
    auto client = PipeClient::Connect("slow", 2s);
    ASSERT_TRUE(client);
    const auto start = Clock::now();
    EXPECT_FALSE(client->Request("sleep:800", 200ms));
    EXPECT_LT(Clock::now() - start, 700ms);
    // The late reply must not be taken for the answer to the next request.
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(client->Request("next", 2s));
    EXPECT_TRUE(recorder_.WaitForReleases(1)) << "the server did not see the client go";
}

TEST_F(PipeClientTest, ServerOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    sockaddr_un address{};
    ASSERT_TRUE(platform::MakeUnixAddress(PipeSocketPath("foreign"), &address));
    // A listener's identity is taken at listen(2): bind as ourselves, listen as another user.
    ChildProcess impostor([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return 10;
        if (::seteuid(65534) != 0 || ::listen(fd, 4) != 0)
            return 11;
        ::poll(nullptr, 0, 10000);
        return 0;
    });
    std::string error;
    EXPECT_FALSE(PipeClient::Connect("foreign", 5s, &error));
    EXPECT_NE(error.find("not run by this user"), std::string::npos) << error;
}

}  // namespace
}  // namespace pipetest
