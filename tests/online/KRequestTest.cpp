#include "online/KRequest.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "support/TempDir.h"

namespace {

// A loopback server run on its own thread for the length of a test.
class LocalServer {
public:
    LocalServer() {
        curl_global_init(CURL_GLOBAL_ALL);
        port_ = server_.bind_to_any_port("127.0.0.1");
    }
    ~LocalServer() {
        server_.stop();
        if (thread_.joinable())
            thread_.join();
    }
    httplib::Server& server() { return server_; }
    void Start() {
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

TEST(KRequestTest, PostKeepsTheBodyOfAnyStatusAndStopsTextAtNul) {
    LocalServer local;
    local.server().Post("/missing", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content("not here", "text/plain");
    });
    local.server().Post("/nul", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(request.body + std::string("\0tail", 5), "text/plain");
    });
    local.Start();
    KRequest request;
    EXPECT_EQ(PostSSL(request, local.Url("/missing"), "{}"), 404);
    EXPECT_EQ(request.response, "not here");
    EXPECT_EQ(PostSSL(request, local.Url("/nul"), "echo"), 0);
    EXPECT_EQ(request.response, "echo");
}

TEST(KRequestTest, OversizedAnswerFailsTheTransfer) {
    LocalServer local;
    local.server().Post("/big", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::string(64 * 1024, 'x'), "text/plain");
    });
    local.Start();
    KRequest request;
    request.answer_limit = 1024;
    EXPECT_EQ(PostSSL(request, local.Url("/big"), "{}"), CURLE_WRITE_ERROR);
}

TEST(KRequestTest, CallerHeadersReplaceTheDefaultsAndStayUsable) {
    LocalServer local;
    std::string seen;
    local.server().Post("/headers", [&seen](const httplib::Request& r, httplib::Response&) {
        seen = r.get_header_value("X-Cf-Platform") + "|" + r.get_header_value("User-Agent");
    });
    local.Start();
    curl_slist* list = curl_slist_append(nullptr, "X-Cf-Platform:pc");
    KRequest request;
    request.header_list = list;
    EXPECT_EQ(PostSSL(request, local.Url("/headers"), "{}"), 0);
    EXPECT_EQ(seen, "pc|");
    EXPECT_EQ(PostSSL(request, local.Url("/headers"), "{}"), 0);
    EXPECT_STREQ(list->data, "X-Cf-Platform:pc");
    curl_slist_free_all(list);

    KRequest plain;
    EXPECT_EQ(PostSSL(plain, local.Url("/headers"), "{}"), 0);
    EXPECT_EQ(seen, "|Mozilla/4.0");
}

TEST(KRequestTest, OnlyWebAddressesAreFollowed) {
    TempDir temp;
    const std::filesystem::path secret = temp / "secret.txt";
    std::ofstream(secret) << "private";
    const std::string local_address = "file://" + secret.string();
    KRequest request;
    EXPECT_EQ(GetSSL(request, local_address, temp / "copy.txt"), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(PutSSL(request, local_address, "x", 1), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(PostSSL(request, "ftp://127.0.0.1/x", "{}"), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_FALSE(std::filesystem::exists(temp / "copy.txt"));
    EXPECT_EQ(ReadAll(secret), "private");
}

TEST(KRequestTest, RedirectsToLocalFilesAreNotFollowed) {
    TempDir temp;
    std::ofstream(temp / "secret.txt") << "private";
    LocalServer local;
    local.server().Get("/moved", [&temp](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("file://" + (temp / "secret.txt").string());
    });
    local.Start();
    KRequest request;
    EXPECT_NE(GetSSL(request, local.Url("/moved"), temp / "got.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(temp / "got.txt"));
}

TEST(KRequestTest, DownloadAppearsOnlyWhenComplete) {
    TempDir temp;
    LocalServer local;
    const std::string body(300 * 1024, 'd');
    local.server().Get("/file", [&body](const httplib::Request&, httplib::Response& response) {
        response.set_content(body, "application/octet-stream");
    });
    local.server().Get("/short", [](const httplib::Request&, httplib::Response& response) {
        // Promises more than it sends, then the connection ends.
        response.set_content_provider(100000, "application/octet-stream",
                                      [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                          if (offset > 0)
                                              return false;
                                          sink.write(std::string(1000, 's').data(), 1000);
                                          return true;
                                      });
    });
    local.server().Get("/gone", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
    });
    local.Start();

    KRequest request;
    std::ofstream(temp / "old.docx") << "the user's older file";
    EXPECT_EQ(GetSSL(request, local.Url("/file"), temp / "old.docx"), 0);
    EXPECT_EQ(ReadAll(temp / "old.docx"), body);

    EXPECT_NE(GetSSL(request, local.Url("/short"), temp / "short.docx"), 0);
    EXPECT_EQ(GetSSL(request, local.Url("/gone"), temp / "gone.docx"), 404);
    EXPECT_EQ(GetSSL(request, local.Url("/file"), temp / "no-folder" / "x.docx"),
              CURLE_FAILED_INIT);
    // Nothing but the one finished download is left: no result, no hidden temporary file.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path())) {
        ++entries;
        EXPECT_EQ(entry.path().filename(), "old.docx");
    }
    EXPECT_EQ(entries, 1);
}

TEST(KRequestTest, PutSendsFilesAndBuffersWithTheirLength) {
    TempDir temp;
    LocalServer local;
    std::string received;
    local.server().Put("/store", [&received](const httplib::Request& r, httplib::Response& res) {
        received = r.body;
        res.set_header("X-Stored", std::to_string(r.body.size()));
    });
    local.Start();
    const std::string content(70000, 'p');
    std::ofstream(temp / "part.bin", std::ios::binary) << content;
    KRequest request;
    EXPECT_EQ(PutSSL(request, local.Url("/store"), temp / "part.bin"), 0);
    EXPECT_EQ(received, content);
    EXPECT_NE(request.response_headers.find("X-Stored: 70000"), std::string::npos);
    EXPECT_EQ(PutSSL(request, local.Url("/store"), "abc", 3), 0);
    EXPECT_EQ(received, "abc");

    std::ofstream(temp / "empty.bin");
    received = "untouched";
    EXPECT_EQ(PutSSL(request, local.Url("/store"), temp / "empty.bin"), CURLE_FAILED_INIT);
    EXPECT_EQ(PutSSL(request, local.Url("/store"), temp / "missing.bin"), CURLE_FAILED_INIT);
    EXPECT_EQ(received, "untouched");
}

TEST(KRequestTest, CancelEndsAStalledTransferPromptly) {
    LocalServer local;
    std::atomic<bool> release{false};
    local.server().Post("/stall", [&release](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 300 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.set_content("{}", "application/json");
    });
    local.Start();
    std::atomic<bool> cancel{false};
    KRequest request;
    request.cancelled = [&cancel] { return cancel.load(); };
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(PostSSL(request, local.Url("/stall"), "{}"), CURLE_ABORTED_BY_CALLBACK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    canceller.join();
    release = true;
}

TEST(KRequestTest, UnreachableHostGivesCurlsConnectError) {
    // A port just bound and released, never listened on, refuses connections.
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    const int port = ntohs(address.sin_port);
    KRequest request;
    request.connect_timeout = 2;
    EXPECT_EQ(PostSSL(request, "http://127.0.0.1:" + std::to_string(port) + "/x", "{}"),
              CURLE_COULDNT_CONNECT);
}

TEST(KRequestTest, HttpsVerifiesThePeer) {
    // Nothing answers TLS here; what matters is that an https address never falls back to
    // plain http, so the plain server behind it must not see the request.
    LocalServer local;
    std::atomic<int> requests{0};
    local.server().Post("/x",
                        [&requests](const httplib::Request&, httplib::Response&) { ++requests; });
    local.Start();
    std::string url = local.Url("/x");
    url.replace(0, 4, "https");
    KRequest request;
    request.connect_timeout = 2;
    EXPECT_NE(PostSSL(request, url, "{}"), 0);
    EXPECT_EQ(requests.load(), 0);
}

}  // namespace
