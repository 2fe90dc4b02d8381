#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "ServiceHarness.h"
#include "service/Crypto.h"
#include "support/WaitUntil.h"

namespace service::testing {
namespace {

using namespace std::chrono_literals;

int RetOf(const Json::Value& answer) {
    return answer["resp_common"]["ret"].asInt();
}

TEST(ServiceFaultTest, SkipAndTimesChooseWhichRequestsAreSpoiled) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kConvert, FaultAction::Status(500), 1, 2)}));
    service.Login();
    std::vector<int> statuses;
    for (int i = 0; i < 4; ++i)
        statuses.push_back(service.Convert("abc").status);
    EXPECT_EQ(statuses, (std::vector<int>{200, 500, 500, 200}));
}

TEST(ServiceFaultTest, StatusFaultHasAnEmptyBodyAndNoEffect) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kReport, FaultAction::Status(503), 0, 1)}));
    service.Login();
    const Json::Value answer = service.Convert("abc").json;
    ASSERT_TRUE(service.UploadAll(answer, "abc"));
    const HttpAnswer spoiled = service.PostJson("/pdfweb/report_upload", [&] {
        Json::Value body(Json::objectValue);
        body["common"] = service.Common();
        body["convert_req_id"] = answer["req_id"];
        return body;
    }());
    EXPECT_EQ(spoiled.status, 503);
    EXPECT_TRUE(spoiled.body.empty());
    EXPECT_EQ(service.Progress(answer["req_id"].asString())["progress"].asInt(), 0);
    EXPECT_EQ(service.Converter().calls, 0);
}

TEST(ServiceFaultTest, RetFaultAnswersWithThatCode) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kProgress, FaultAction::Ret(4001002))}));
    service.Login();
    const HttpAnswer convert = service.Convert("abc");
    const Json::Value progress = service.Progress(convert.json["req_id"].asString());
    EXPECT_EQ(RetOf(progress), 4001002);
}

TEST(ServiceFaultTest, AnyRouteRuleAppliesEverywhere) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kAny, FaultAction::Ret(5000001), 1, 1)}));
    EXPECT_EQ(RetOf(service.Login()), 0);
    EXPECT_EQ(RetOf(service.Convert("abc").json), 5000001);
    EXPECT_EQ(RetOf(service.Convert("abc").json), 0);
}

TEST(ServiceFaultTest, MalformedAnswersAreWhatTheirNameSays) {
    ServiceHarness service;
    const auto spoiled_login = [&](Malformed kind) {
        service.Server().SetFaults(
            FaultPlan::Of({FaultRule::On(Route::kLogin, FaultAction::Spoiled(kind))}));
        return service.PostJson("/user/tourist/login", [&] {
            Json::Value body(Json::objectValue);
            body["common"] = service.Common();
            body["server_id"] = "device";
            return body;
        }());
    };
    const HttpAnswer not_json = spoiled_login(Malformed::kNotJson);
    EXPECT_EQ(not_json.status, 200);
    EXPECT_FALSE(not_json.body.empty());
    EXPECT_TRUE(ParseJson(not_json.body).isNull());

    const HttpAnswer empty = spoiled_login(Malformed::kEmpty);
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.empty());

    const Json::Value wrong = spoiled_login(Malformed::kWrongTypes).json;
    EXPECT_TRUE(wrong["resp_common"]["ret"].isString());
    EXPECT_TRUE(wrong["resp_common"]["msg"].isNumeric());
    EXPECT_TRUE(wrong["token"].isNumeric());
    EXPECT_TRUE(wrong["uid"].isNumeric());

    const Json::Value missing = spoiled_login(Malformed::kMissingKeys).json;
    EXPECT_EQ(missing.getMemberNames(), std::vector<std::string>{"resp_common"});
    EXPECT_EQ(RetOf(missing), 0);

    const HttpAnswer array = spoiled_login(Malformed::kArray);
    const Json::Value list = ParseJson(array.body);
    ASSERT_TRUE(list.isArray());
    EXPECT_TRUE(list[0]["token"].isString());

    const HttpAnswer huge = spoiled_login(Malformed::kHuge);
    EXPECT_EQ(huge.body.size() > 64u * 1024 * 1024, true);
    EXPECT_EQ(huge.body.find_first_not_of(' '), 64u * 1024 * 1024);
    EXPECT_TRUE(huge.json["token"].isString());
}

TEST(ServiceFaultTest, StalledAnswerComesLate) {
    ServiceHarness service({},
                           FaultPlan::Of({FaultRule::On(Route::kLogin, FaultAction::Stall(300))}));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RetOf(service.Login()), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

TEST(ServiceFaultTest, StopEndsAStallPromptly) {
    auto service = std::make_unique<ServiceHarness>(
        ServiceOptions{}, FaultPlan::Of({FaultRule::On(Route::kLogin, FaultAction::Stall(60000))}));
    auto login = std::async(std::launch::async, [&] { return service->Login(); });
    // The stalled request holds a connection; wait until it is being served.
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    service->Server().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_EQ(login.wait_for(15s), std::future_status::ready);
    EXPECT_FALSE(login.get()["token"].isString());
}

TEST(ServiceFaultTest, CutAnswerBreaksTheConnection) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kLogin, FaultAction::CutAfter(10), 0, 1)}));
    Json::Value body(Json::objectValue);
    body["common"] = service.Common();
    body["server_id"] = "device";
    const HttpAnswer cut = service.PostJson("/user/tourist/login", body);
    EXPECT_EQ(cut.status, 0) << cut.body;
    EXPECT_EQ(RetOf(service.Login()), 0) << "only the first answer was cut";
}

TEST(ServiceFaultTest, CutDownloadDeliversOnlyItsStart) {
    ServiceHarness service;
    const std::string content = Patterned(500000);
    const auto finished = service.RoundTrip(content);
    ASSERT_EQ(finished.progress["status"].asInt(), 2);
    service.Server().SetFaults(
        FaultPlan::Of({FaultRule::On(Route::kDownload, FaultAction::CutAfter(100000), 0, 1)}));
    std::string received;
    httplib::Client client(service.Server().BaseUrl());
    const auto result = client.Get(service.PathOf(finished.progress["url"].asString()),
                                   [&](const char* data, std::size_t length) {
                                       received.append(data, length);
                                       return true;
                                   });
    EXPECT_FALSE(result);
    EXPECT_EQ(received.size(), 100000u);
    EXPECT_EQ(received, content.substr(0, 100000));
    EXPECT_EQ(service.Get(finished.progress["url"].asString()).body, content);
}

TEST(ServiceFaultTest, CutUploadIsNotStored) {
    ServiceHarness service(
        {}, FaultPlan::Of({FaultRule::On(Route::kUpload, FaultAction::CutAfter(1000), 0, 1)}));
    service.Login();
    const std::string content = Patterned(20000);
    const Json::Value answer = service.Convert(content).json;
    const std::string url = answer["normal_upload"]["url"].asString();
    // The service answers 500 and closes with the rest of the body unread; the close can
    // overtake the answer.
    const int cut = service.Upload(url, content).status;
    EXPECT_TRUE(cut == 500 || cut == 0) << cut;
    EXPECT_EQ(RetOf(service.Report(answer["req_id"].asString())), 4000004);
    EXPECT_EQ(service.Upload(url, content).status, 200);
    EXPECT_EQ(RetOf(service.Report(answer["req_id"].asString())), 0);
}

TEST(ServiceFaultTest, ProgressScriptIsPlayedInOrderAndItsLastStepRepeats) {
    ServiceHarness service;
    const auto finished = service.RoundTrip("abc");
    FaultPlan plan;
    plan.progress_script = {{10, 1}, {60, 1}, {100, 2}};
    service.Server().SetFaults(plan);
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 4; ++i) {
        const Json::Value answer = service.Progress(finished.req_id);
        seen.emplace_back(answer["progress"].asInt(), answer["status"].asInt());
        EXPECT_EQ(answer.isMember("url"), answer["status"].asInt() == 2);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{10, 1}, {60, 1}, {100, 2}, {100, 2}}));

    plan.progress_script = {{30, 3}};
    service.Server().SetFaults(plan);
    const Json::Value failed = service.Progress(finished.req_id);
    EXPECT_EQ(failed["status"].asInt(), 3);
    EXPECT_FALSE(failed.isMember("url"));
    EXPECT_EQ(failed["resp_common"]["msg"].asString(), "scripted failure");
}

TEST(ServiceFaultTest, ScriptedDoneWaitsForTheRealResult) {
    ServiceHarness service;
    service.Converter().mode = FakeConverter::Mode::kWaitForCancel;
    FaultPlan plan;
    plan.progress_script = {{100, 2}};
    service.Server().SetFaults(plan);
    service.Login();
    const Json::Value answer = service.Convert("abc").json;
    service.UploadAll(answer, "abc");
    service.Report(answer["req_id"].asString());
    const Json::Value progress = service.Progress(answer["req_id"].asString());
    EXPECT_EQ(progress["status"].asInt(), 1);
    EXPECT_FALSE(progress.isMember("url"));
}

}  // namespace
}  // namespace service::testing
