#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "pipe/PipeTestSupport.h"
#include "platform/SocketIo.h"
#include "quire-pipe/PipeClient.h"

namespace pipetest {
namespace {

namespace fs = std::filesystem;
using quirepipe::PipeClient;
using quirepipe::PipeSocketPath;

constexpr char kTimeoutVariable[] = "QUIRE_PIPE_MESSAGE_TIMEOUT_MS";

class PipeServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library_.Loaded()) << library_.Error(); }

    ServerPtr StartServer(const std::string& name) {
        ServerPtr server = library_.NewServer(recorder_.Prototype());
        EXPECT_TRUE(server && server->Start(name.c_str())) << "pipe " << name;
        return server;
    }

    std::unique_ptr<PipeClient> ConnectTo(const std::string& name) {
        std::string error;
        auto client = PipeClient::Connect(name, 2s, &error);
        EXPECT_TRUE(client) << error;
        return client;
    }

    // The kinds of events one handler saw, for comparing whole sequences.
    std::vector<EventKind> KindsOf(int handler) const {
        std::vector<EventKind> kinds;
        for (const Event& event : recorder_.EventsOf(handler))
            kinds.push_back(event.kind);
        return kinds;
    }

    std::vector<std::string> RequestsOf(int handler) const {
        std::vector<std::string> requests;
        for (const Event& event : recorder_.EventsOf(handler))
            if (event.kind == EventKind::Entered)
                requests.push_back(event.text);
        return requests;
    }

    TempDir runtime_;
    ScopedEnv runtime_variable_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
    ScopedEnv timeout_variable_{kTimeoutVariable, nullptr};
    Recorder recorder_;
    PipeLibrary library_;
};

std::string MixedText(std::size_t size) {
    const std::string pattern = "{\"cmd\":\"notify\",\r\n\"path\":\"/用户/文件.pdf\"}\n";
    std::string text;
    while (text.size() + pattern.size() <= size)
        text += pattern;
    text.append(size - text.size(), 'z');
    return text;
}

TEST_F(PipeServerTest, EveryRequestReachesTheHandlerWholeAndItsReplyComesBack) {
    auto server = StartServer("roundtrip");
    auto client = ConnectTo("roundtrip");
    ASSERT_TRUE(client);
    const std::vector<std::string> requests = {
        "{\"cmd\":\"get_task\",\"core_id\":1}",
        "",
        "{\"cmd\":\"notify\",\r\n\"task_id\":7,\r\n\"progress\":40}\r\n",
        "转换 中文文件名.pdf",
        MixedText(1 << 20),
        "last",
    };
    for (const std::string& request : requests) {
        std::optional<std::string> reply = client->Request(request, 5s);
        ASSERT_TRUE(reply) << "request of " << request.size() << " bytes";
        EXPECT_EQ(*reply, request);
    }
    EXPECT_EQ(RequestsOf(1), requests);
    EXPECT_TRUE(recorder_.EventsOf(0).empty()) << "the prototype itself served";
}

TEST_F(PipeServerTest, FramesUpToTheLimitPassAndLargerOnesAreRefused) {
    auto server = StartServer("limit");
    auto client = ConnectTo("limit");
    ASSERT_TRUE(client);
    const std::string largest(kFrameLimit, 'L');
    std::optional<std::string> reply = client->Request(largest, 20s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), largest.size());
    EXPECT_EQ(*reply, largest);

    // The client does not send what the server would refuse.
    EXPECT_FALSE(client->Request(std::string(kFrameLimit + 1, 'L'), 5s));
    EXPECT_FALSE(client->Request("after", 1s)) << "a failed client stays failed";

    // A peer that announces too much is dropped at once, well before the message bound.
    platform::UniqueFd raw = RawConnect("limit");
    ASSERT_TRUE(raw);
    ASSERT_TRUE(SendRaw(raw.Get(), LengthHeader(kFrameLimit + 1) + "xx"));
    EXPECT_TRUE(PeerClosesWithin(raw.Get(), 3s));
    EXPECT_TRUE(recorder_.WaitForReleases(2));
    EXPECT_EQ(RequestsOf(2).size(), 0u);
}

TEST_F(PipeServerTest, EachConnectionHasItsOwnHandlerNeverEnteredTwiceAtOnce) {
    auto server = StartServer("parallel");
    constexpr int kClients = 4;
    constexpr int kRequests = 25;
    std::vector<std::vector<std::string>> sent(kClients);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int c = 0; c < kClients; ++c) {
        for (int i = 0; i < kRequests; ++i)
            sent[c].push_back("sleep:1 client " + std::to_string(c) + " #" + std::to_string(i));
        threads.emplace_back([&, c] {
            auto client = PipeClient::Connect("parallel", 2s);
            for (const std::string& request : sent[c])
                if (!client || client->Request(request, 5s) != request)
                    ++failures;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    ASSERT_TRUE(recorder_.WaitForReleases(kClients));
    EXPECT_EQ(recorder_.HandlersCreated(), kClients);
    EXPECT_FALSE(recorder_.Overlapped());

    // Every handler saw exactly one client's requests, in the order sent.
    std::vector<std::vector<std::string>> seen;
    for (int handler = 1; handler <= kClients; ++handler)
        seen.push_back(RequestsOf(handler));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, sent);
}

TEST_F(PipeServerTest, ClientGoingEndsItsHandlerWithDisconnectThenReleaseOnce) {
    using K = EventKind;
    struct Case {
        int requests;
        std::vector<EventKind> expected;
    };
    const std::vector<Case> cases = {
        {0, {K::Disconnected, K::Released}},
        {2, {K::Entered, K::Returned, K::Entered, K::Returned, K::Disconnected, K::Released}},
    };
    auto server = StartServer("leaving");
    int handler = 0;
    for (const Case& test : cases) {
        ++handler;
        {
            auto client = ConnectTo("leaving");
            ASSERT_TRUE(client);
            for (int i = 0; i < test.requests; ++i)
                EXPECT_TRUE(client->Request("ping", 2s));
        }
        ASSERT_TRUE(recorder_.WaitForReleases(handler)) << test.requests << " requests";
        // Release is the last call on a handler; nothing may follow it.
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(KindsOf(handler), test.expected) << test.requests << " requests";
    }
}

TEST_F(PipeServerTest, StalledMessageIsDroppedAfterTheBoundButAnIdleClientIsNot) {
    ScopedEnv bound(kTimeoutVariable, "300");
    auto server = StartServer("stall");
    const std::vector<std::pair<const char*, std::string>> stalls = {
        {"half a length header", LengthHeader(10).substr(0, 2)},
        {"header and part of the message", LengthHeader(10) + "abc"},
    };
    int handlers = 0;
    for (const auto& [what, bytes] : stalls) {
        platform::UniqueFd raw = RawConnect("stall");
        ASSERT_TRUE(raw);
        ASSERT_TRUE(SendRaw(raw.Get(), bytes));
        EXPECT_TRUE(PeerClosesWithin(raw.Get(), 3s)) << what;
        EXPECT_TRUE(recorder_.WaitForReleases(++handlers)) << what;
    }

    auto idle = ConnectTo("stall");
    ASSERT_TRUE(idle);
    std::this_thread::sleep_for(900ms);
    EXPECT_EQ(idle->Request("still here", 2s), "still here");
    EXPECT_EQ(RequestsOf(1).size() + RequestsOf(2).size(), 0u);
}

TEST_F(PipeServerTest, StopLetsARunningHandlerFinishAndEndsEveryConnection) {
    auto server = StartServer("stopping");
    auto idle = ConnectTo("stopping");
    auto busy = ConnectTo("stopping");
    ASSERT_TRUE(idle && busy);
    std::optional<std::string> busy_reply = "not yet";
    std::thread busy_thread([&] { busy_reply = busy->Request("sleep:500", 5s); });
    ASSERT_TRUE(recorder_.WaitFor(
        [](const std::vector<Event>& events) {
            for (const Event& event : events)
                if (event.kind == EventKind::Entered)
                    return true;
            return false;
        },
        5s));

    server->Stop();
    const std::vector<Event> at_stop = recorder_.Events();
    ASSERT_EQ(recorder_.HandlersCreated(), 2);
    for (int handler = 1; handler <= 2; ++handler) {
        const std::vector<EventKind> kinds = KindsOf(handler);
        ASSERT_FALSE(kinds.empty());
        EXPECT_EQ(kinds.back(), EventKind::Released) << "handler " << handler;
    }
    EXPECT_EQ(RequestsOf(1).size() + RequestsOf(2).size(), 1u);
    EXPECT_FALSE(fs::exists(PipeSocketPath("stopping")));

    busy_thread.join();
    EXPECT_FALSE(busy_reply) << "a reply went out after Stop";
    EXPECT_FALSE(idle->Request("too late", 1s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(recorder_.Events().size(), at_stop.size()) << "a handler was called after Stop";

    server->Stop();  // a second Stop does nothing
    ASSERT_TRUE(server->Start("stopping")) << "the server can serve again";
    auto again = ConnectTo("stopping");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Request("again", 2s), "again");
}

TEST_F(PipeServerTest, LiveServerKeepsItsNameAndAStaleSocketIsReplaced) {
    auto first = StartServer("shared");
    ServerPtr second = library_.NewServer(recorder_.Prototype());
    EXPECT_FALSE(second->Start("shared"));
    auto client = ConnectTo("shared");
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Request("first", 2s), "first") << "the live server lost its pipe";

    first->Stop();
    EXPECT_TRUE(second->Start("shared")) << "a stopped server still holds the name";

    // A socket file whose server died without removing it.
    const std::string stale = PipeSocketPath("stale");
    sockaddr_un address{};
    ASSERT_TRUE(platform::MakeUnixAddress(stale, &address));
    {
        platform::UniqueFd dead(::socket(AF_UNIX, SOCK_STREAM, 0));
        ASSERT_EQ(::bind(dead.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ASSERT_TRUE(fs::exists(stale));
    auto replacing = StartServer("stale");
    auto stale_client = ConnectTo("stale");
    ASSERT_TRUE(stale_client);
    EXPECT_EQ(stale_client->Request("revived", 2s), "revived");
}

// The servers here are never started; dropping them runs Stop, which must then do nothing.
TEST_F(PipeServerTest, UnusableNameOrMissingProcessorIsRefused) {
    for (const std::string& name : UnusableNames()) {
        ServerPtr server = library_.NewServer(recorder_.Prototype());
        EXPECT_FALSE(server->Start(name.c_str())) << "name \"" << name << "\"";
    }
    ServerPtr server = library_.NewServer(recorder_.Prototype());
    EXPECT_FALSE(server->Start(nullptr));
    ServerPtr without_processor = library_.NewServer(nullptr);
    EXPECT_FALSE(without_processor->Start("fine"));
    EXPECT_FALSE(fs::exists(PipeSocketPath("fine")));
}

TEST_F(PipeServerTest, ClientOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    auto server = StartServer("foreign");
    sockaddr_un address{};
    ASSERT_TRUE(platform::MakeUnixAddress(PipeSocketPath("foreign"), &address));
    const std::string hello = LengthHeader(5) + "hello";
    // The peer's identity is its effective uid; keeping a root fsuid lets it still reach the
    // socket in our private folder.
    ChildProcess child([&] {
        if (::seteuid(65534) != 0)
            return 10;
        ::setfsuid(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return 11;
        if (::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) < 0)
            return 0;  // already closed on us
        return PeerClosesWithin(fd, 3s) ? 0 : 12;
    });
    EXPECT_EQ(child.Wait(10s), 0);
    EXPECT_EQ(recorder_.HandlersCreated(), 0);
}

}  // namespace
}  // namespace pipetest
