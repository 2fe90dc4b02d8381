#include <gtest/gtest.h>
#include <httplib.h>
#include <json/writer.h>

#include <csignal>
#include <fstream>
#include <regex>

#include "ServiceHarness.h"
#include "platform/Process.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace service::testing {
namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The service with its stdout and stderr in files of `temp`.
std::unique_ptr<platform::Process> StartService(const TempDir& temp, const std::string& arguments) {
    const std::string command = std::string("exec '") + QUIRE_SERVICE_BINARY + "' " + arguments +
                                " >'" + (temp / "out").string() + "' 2>'" +
                                (temp / "err").string() + "'";
    return platform::Process::Spawn("/bin/sh", {"-c", command});
}

TEST(ServiceProcessTest, ServesOnThePortItPrintsAndStopsCleanlyOnSigterm) {
    TempDir temp;
    const auto service =
        StartService(temp, "--listen 127.0.0.1:0 --data '" + (temp / "data").string() + "'");
    ASSERT_TRUE(service);
    std::smatch match;
    std::string out;
    const std::regex listening(R"(listening on (http://127\.0\.0\.1:(\d+))\n)");
    ASSERT_TRUE(WaitUntil(
        [&] {
            out = ReadAll(temp / "out");
            return std::regex_search(out, match, listening);
        },
        20s))
        << out << ReadAll(temp / "err");
    EXPECT_NE(match[2], "0");

    httplib::Client client(match[1].str());
    Json::Value body(Json::objectValue);
    body["common"]["uid"] = "";
    body["common"]["token"] = "";
    body["common"]["app_id"] = "quire";
    body["common"]["request_id"] = "1";
    body["common"]["is_tourist"] = true;
    body["server_id"] = "device";
    const auto login =
        client.Post("/user/tourist/login", Json::writeString(Json::StreamWriterBuilder(), body),
                    "application/json");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->status, 200);
    EXPECT_TRUE(ParseJson(login->body)["token"].isString()) << login->body;

    ASSERT_TRUE(service->Signal(SIGTERM));
    ASSERT_TRUE(service->WaitForExit(20s));
    EXPECT_EQ(service->ExitCode(), 0) << ReadAll(temp / "err");
}

TEST(ServiceProcessTest, BadOptionsExitWithCode2AndAReason) {
    TempDir temp;
    const auto service =
        StartService(temp, "--listen nowhere --data '" + temp.Path().string() + "'");
    ASSERT_TRUE(service);
    ASSERT_TRUE(service->WaitForExit(20s));
    EXPECT_EQ(service->ExitCode(), 2);
    EXPECT_NE(ReadAll(temp / "err").find("--listen"), std::string::npos);
}

}  // namespace
}  // namespace service::testing
