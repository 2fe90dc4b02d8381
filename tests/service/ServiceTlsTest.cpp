#include <gtest/gtest.h>
#include <httplib.h>

#include "ServiceHarness.h"
#include "platform/Process.h"
#include "support/TempDir.h"

namespace service::testing {
namespace {

using namespace std::chrono_literals;

// A self-signed certificate for 127.0.0.1 made by the openssl tool; false when there is none.
bool MakeCertificate(const TempDir& temp) {
    const auto openssl = platform::FindInPath("openssl");
    if (openssl.empty())
        return false;
    const auto maker = platform::Process::Spawn(
        openssl,
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
         "-keyout", (temp / "key.pem").string(), "-out", (temp / "cert.pem").string()});
    return maker && maker->WaitForExit(60s) && maker->ExitCode() == 0;
}

TEST(ServiceTlsTest, ServesHttpsAndHandsOutHttpsAddresses) {
    TempDir temp;
    if (!MakeCertificate(temp))
        GTEST_SKIP() << "no openssl tool to make a certificate";
    FakeConverter converter;
    ServiceOptions options;
    options.data_folder = temp / "data";
    options.log_file = temp / "service.log";
    options.tls_cert = temp / "cert.pem";
    options.tls_key = temp / "key.pem";
    ServiceServer server(options, converter);
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
    EXPECT_EQ(server.BaseUrl(), "https://127.0.0.1:" + std::to_string(server.Port()));

    httplib::SSLClient client("127.0.0.1", server.Port());
    client.enable_server_certificate_verification(false);
    const auto login = client.Post(
        "/user/tourist/login",
        R"({"common":{"uid":"","token":"","app_id":"a","request_id":"1","is_tourist":true},)"
        R"("server_id":"d"})",
        "application/json");
    ASSERT_TRUE(login) << httplib::to_string(login.error());
    EXPECT_TRUE(ParseJson(login->body)["token"].isString()) << login->body;
}

TEST(ServiceTlsTest, UnreadableCertificateFailsTheStart) {
    TempDir temp;
    FakeConverter converter;
    ServiceOptions options;
    options.data_folder = temp / "data";
    options.log_file = temp / "service.log";
    options.tls_cert = temp / "missing-cert.pem";
    options.tls_key = temp / "missing-key.pem";
    ServiceServer server(options, converter);
    std::string error;
    EXPECT_FALSE(server.Start(&error));
    EXPECT_NE(error.find("TLS"), std::string::npos) << error;
}

}  // namespace
}  // namespace service::testing
