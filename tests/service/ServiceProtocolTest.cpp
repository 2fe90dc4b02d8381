#include <gtest/gtest.h>
#include <json/writer.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "ServiceHarness.h"
#include "service/Crypto.h"
#include "support/WaitUntil.h"

namespace service::testing {
namespace {

using namespace std::chrono_literals;

int RetOf(const Json::Value& answer) {
    return answer["resp_common"]["ret"].asInt();
}

ServiceOptions SmallBlocks() {
    ServiceOptions options;
    options.block_size = 64 * 1024;
    options.multipart_threshold = 64 * 1024;
    return options;
}

TEST(ServiceProtocolTest, LoginGivesAStableUidAndATokenThatExpires) {
    ServiceOptions options;
    options.token_lifetime = 400ms;
    ServiceHarness service(options);
    EXPECT_EQ(RetOf(service.Convert("abc").json), 4001002) << "before any login";
    const Json::Value first = service.Login("device-a");
    EXPECT_EQ(RetOf(first), 0);
    EXPECT_FALSE(first["token"].asString().empty());
    EXPECT_EQ(service.Login("device-a")["uid"], first["uid"]);
    EXPECT_NE(service.Login("device-b")["uid"], first["uid"]);
    EXPECT_EQ(RetOf(service.Convert("abc").json), 0);

    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(RetOf(service.Convert("abc").json), 4001002);
}

TEST(ServiceProtocolTest, SmallFileGoesUpInOnePieceAndComesBackConverted) {
    ServiceHarness service;
    service.Login();
    const std::string content = Patterned(5000);
    Json::Value body = service.ConvertBody(content, "C:\\docs\\Quarterly report.PDF", "DOCX");
    body["convert_type"] = 2;
    body["pages"] = 3;
    body["custom_data"]["ocr_lang"] = "chs";
    const HttpAnswer convert = service.PostJson("/pdfweb/convert", body);
    ASSERT_EQ(RetOf(convert.json), 0) << convert.body;
    // Addresses carry "&" only as its JSON escape.
    EXPECT_EQ(convert.body.find('&'), std::string::npos);
    EXPECT_NE(convert.body.find("\\u0026sig="), std::string::npos);
    const std::string req_id = convert.json["convert_req_id"].asString();
    EXPECT_EQ(convert.json["req_id"].asString(), req_id);
    ASSERT_EQ(convert.json["upload_type"].asInt(), 1);
    EXPECT_EQ(service.Upload(convert.json["normal_upload"]["url"].asString(), content).status, 200);
    EXPECT_EQ(RetOf(service.Report(req_id)), 0);
    EXPECT_EQ(RetOf(service.Report(req_id)), 0) << "a repeated report changes nothing";

    const Json::Value done = service.WaitForEnd(req_id);
    EXPECT_EQ(done["status"].asInt(), 2);
    EXPECT_EQ(done["progress"].asInt(), 100);
    const HttpAnswer download = service.Get(done["url"].asString());
    EXPECT_EQ(download.status, 200);
    EXPECT_EQ(download.body, content);

    EXPECT_EQ(service.Converter().calls, 1);
    const ConversionJob job = service.Converter().LastJob();
    EXPECT_EQ(job.source.filename(), "Quarterly report.pdf");
    EXPECT_EQ(job.target.filename(), "Quarterly report.docx");
    EXPECT_EQ(job.file_type, "pdf");
    EXPECT_EQ(job.target_file_type, "docx");
    EXPECT_EQ(job.convert_type, 2);
    EXPECT_EQ(job.pages, 3);
    EXPECT_EQ(job.custom_data["ocr_lang"], "chs");
}

struct MultipartCase {
    const char* name;
    std::size_t size;
    int parts;
};

class ServiceMultipartTest : public ::testing::TestWithParam<MultipartCase> {};

TEST_P(ServiceMultipartTest, LargeFileGoesUpInBlocksInAnyOrder) {
    ServiceHarness service(SmallBlocks());
    service.Login();
    const std::string content = Patterned(GetParam().size, 7);
    const HttpAnswer convert = service.Convert(content);
    ASSERT_EQ(convert.json["upload_type"].asInt(), 2) << convert.body;
    const Json::Value& multipart = convert.json["multipart_upload"];
    ASSERT_TRUE(multipart["trunk_size"].isString());
    EXPECT_EQ(multipart["trunk_size"].asString(), "65536");
    const Json::Value& urls = multipart["trunk_urls"];
    ASSERT_EQ(static_cast<int>(urls.size()), GetParam().parts);
    for (int i = static_cast<int>(urls.size()) - 1; i >= 0; --i) {
        const int part = urls[i]["part_num"].asInt();
        EXPECT_EQ(part, i + 1);
        const std::string bytes = content.substr(std::size_t(part - 1) * 65536, 65536);
        EXPECT_EQ(service.Upload(urls[i]["url"].asString(), bytes).status, 200);
    }
    const std::string req_id = convert.json["convert_req_id"].asString();
    ASSERT_EQ(RetOf(service.Report(req_id)), 0);
    const Json::Value done = service.WaitForEnd(req_id);
    ASSERT_EQ(done["status"].asInt(), 2);
    EXPECT_EQ(service.Get(done["url"].asString()).body, content);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ServiceMultipartTest,
                         ::testing::Values(MultipartCase{"TwoAndAHalfBlocks", 163840, 3},
                                           MultipartCase{"ExactlyThreeBlocks", 196608, 3},
                                           MultipartCase{"OneByteOverTheThreshold", 65537, 2}),
                         [](const auto& info) { return info.param.name; });

TEST(ServiceProtocolTest, UploadsAreCheckedBeforeTheyAreStored) {
    ServiceHarness service(SmallBlocks());
    service.Login();
    const std::string content = Patterned(1000);
    const Json::Value single = service.Convert(content).json;
    const std::string url = single["normal_upload"]["url"].asString();
    const std::string other = "other bytes";
    EXPECT_EQ(service.Upload(url, content, &other).status, 400) << "Content-MD5 mismatch";
    httplib::Client bare(service.Server().BaseUrl());
    EXPECT_EQ(bare.Put(service.PathOf(url), content, "text/plain")->status, 400)
        << "no Content-MD5";
    EXPECT_EQ(service.Upload(url, content.substr(1)).status, 400) << "shorter than announced";

    std::string forged = url;
    forged.back() = forged.back() == '0' ? '1' : '0';
    EXPECT_EQ(service.Upload(forged, content).status, 403);
    std::string other_part = url;
    other_part.replace(other_part.find("/0?"), 3, "/1?");
    EXPECT_EQ(service.Upload(other_part, content).status, 403);

    const std::string big = Patterned(150000);
    const Json::Value multi = service.Convert(big).json;
    const std::string part1 = multi["multipart_upload"]["trunk_urls"][0]["url"].asString();
    const int oversize = service.Upload(part1, big.substr(0, 65537)).status;
    EXPECT_TRUE(oversize == 400 || oversize == 413) << oversize;
    // Nothing refused was kept: the report finds the upload incomplete.
    EXPECT_EQ(RetOf(service.Report(single["convert_req_id"].asString())), 4000004);
}

TEST(ServiceProtocolTest, ReportRefusesAnIncompleteOrCorruptUploadUntilItIsFixed) {
    ServiceHarness service(SmallBlocks());
    service.Login();
    const std::string content = Patterned(150000, 3);
    const Json::Value answer = service.Convert(content).json;
    const std::string req_id = answer["convert_req_id"].asString();
    const Json::Value& urls = answer["multipart_upload"]["trunk_urls"];
    ASSERT_EQ(urls.size(), 3u);
    service.Upload(urls[0]["url"].asString(), content.substr(0, 65536));
    service.Upload(urls[2]["url"].asString(), content.substr(131072));
    EXPECT_EQ(RetOf(service.Report(req_id)), 4000004) << "part 2 missing";

    std::string wrong = content.substr(65536, 65536);
    wrong[10] ^= 1;
    service.Upload(urls[1]["url"].asString(), wrong);
    EXPECT_EQ(RetOf(service.Report(req_id)), 4000004) << "joined MD5 differs";
    EXPECT_EQ(service.Converter().calls, 0);

    service.Upload(urls[1]["url"].asString(), content.substr(65536, 65536));
    EXPECT_EQ(RetOf(service.Report(req_id)), 0);
    EXPECT_EQ(service.WaitForEnd(req_id)["status"].asInt(), 2);
}

TEST(ServiceProtocolTest, RequestIdsAreKnownOnlyToTheirOwner) {
    ServiceHarness service;
    service.Login("owner");
    const std::string req_id = service.Convert("abc").json["convert_req_id"].asString();
    EXPECT_EQ(RetOf(service.Progress(req_id)), 0);
    EXPECT_EQ(RetOf(service.Progress("0123456789abcdef")), 4000003);
    EXPECT_EQ(RetOf(service.Report("0123456789abcdef")), 4000003);
    service.Login("someone else");
    EXPECT_EQ(RetOf(service.Progress(req_id)), 4000003);
    EXPECT_EQ(RetOf(service.Report(req_id)), 4000003);
}

TEST(ServiceProtocolTest, ContentStoredBeforeNeedsNoUpload) {
    ServiceHarness service;
    const std::string content = Patterned(3000);
    ASSERT_EQ(service.RoundTrip(content).progress["status"].asInt(), 2);

    const Json::Value again = service.Convert(content, "again.pdf").json;
    EXPECT_EQ(RetOf(again), 0);
    EXPECT_EQ(again["upload_type"].asInt(), 0);
    EXPECT_FALSE(again.isMember("normal_upload"));
    EXPECT_FALSE(again.isMember("multipart_upload"));
    const Json::Value done = service.WaitForEnd(again["convert_req_id"].asString());
    ASSERT_EQ(done["status"].asInt(), 2);
    EXPECT_EQ(service.Get(done["url"].asString()).body, content);
    EXPECT_EQ(service.Converter().LastJob().source.filename(), "again.pdf");
    EXPECT_EQ(service.Converter().calls, 2);

    EXPECT_EQ(service.Convert(content + "x").json["upload_type"].asInt(), 1);
}

TEST(ServiceProtocolTest, FailedConversionGivesStatus3WithTheConvertersReason) {
    ServiceHarness service;
    service.Converter().mode = FakeConverter::Mode::kFail;
    const auto finished = service.RoundTrip("abc");
    EXPECT_EQ(RetOf(finished.progress), 0);
    EXPECT_EQ(finished.progress["status"].asInt(), 3);
    EXPECT_EQ(finished.progress["resp_common"]["msg"].asString(), "fake failure");
    EXPECT_FALSE(finished.progress.isMember("url"));
    EXPECT_FALSE(std::filesystem::exists(service.DataFolder() / "results" / finished.req_id /
                                         "report.docx"));
}

TEST(ServiceProtocolTest, DownloadNeedsAValidSignatureAndAFinishedResult) {
    ServiceHarness service;
    const auto finished = service.RoundTrip("abc");
    std::string url = finished.progress["url"].asString();
    EXPECT_EQ(service.Get(url).status, 200);
    url.back() = url.back() == 'a' ? 'b' : 'a';
    EXPECT_EQ(service.Get(url).status, 403);

    std::string expired = finished.progress["url"].asString();
    expired.replace(expired.find("expires=") + 8, 1, "0");
    EXPECT_EQ(service.Get(expired).status, 403);
}

TEST(ServiceProtocolTest, FeedbackIsStoredWithItsFileAndNotConverted) {
    ServiceHarness service;
    service.Login();
    const std::string content = Patterned(2048);
    Json::Value body = service.ConvertBody(content, "broken.pdf");
    body.removeMember("convert_type");
    body.removeMember("target_file_type");
    body["email"] = "user@example.com";
    body["phone"] = "123";
    body["suggestion"] = "pages 3 & 4 are empty";
    const Json::Value answer = service.PostJson("/pdfweb/feedback", body).json;
    ASSERT_EQ(RetOf(answer), 0);
    const std::string req_id = answer["req_id"].asString();
    ASSERT_TRUE(service.UploadAll(answer, content));
    EXPECT_EQ(RetOf(service.Report(req_id, "/pdfweb/feedback_report_upload")), 0);

    const auto folder = service.DataFolder() / "feedback" / req_id;
    std::ifstream stored(folder / "broken.pdf", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stored), {}), content);
    std::ifstream json(folder / "feedback.json");
    const Json::Value record = ParseJson(std::string(std::istreambuf_iterator<char>(json), {}));
    EXPECT_EQ(record["email"], "user@example.com");
    EXPECT_EQ(record["phone"], "123");
    EXPECT_EQ(record["suggestion"], "pages 3 & 4 are empty");
    EXPECT_EQ(record["filename"], "broken.pdf");
    EXPECT_TRUE(record["time"].isString());
    EXPECT_EQ(service.Converter().calls, 0);
    EXPECT_EQ(RetOf(service.Progress(req_id)), 4000003) << "feedback is no conversion";
    EXPECT_EQ(RetOf(service.Report(req_id)), 4000003);
}

struct BadBody {
    const char* name;
    std::string path;
    std::string body;  // "$COMMON" is replaced by a valid common object
};

TEST(ServiceProtocolTest, MalformedRequestsGetBadRequest) {
    ServiceHarness service;
    service.Login();
    const std::string common = Json::writeString(Json::StreamWriterBuilder(), service.Common());
    const std::string valid_rest =
        R"("convert_type":1,"filename":"a.pdf","file_type":"pdf","target_file_type":"docx",)"
        R"("md5":"900150983cd24fb0d6963f7d28e17f72")";
    const std::vector<BadBody> cases{
        {"not json", "/pdfweb/convert", "{\"common\": "},
        {"array", "/pdfweb/convert", "[1,2]"},
        {"empty", "/pdfweb/convert", ""},
        {"no common", "/pdfweb/convert", "{" + valid_rest + ",\"file_length\":3}"},
        {"tourist flag as text", "/pdfweb/convert",
         R"({"common":{"uid":"u","token":"t","app_id":"a","request_id":"r","is_tourist":"yes"}})"},
        {"length as text", "/pdfweb/convert",
         "{\"common\":$COMMON," + valid_rest + ",\"file_length\":\"3\"}"},
        {"no length", "/pdfweb/convert", "{\"common\":$COMMON," + valid_rest + "}"},
        {"zero length", "/pdfweb/convert",
         "{\"common\":$COMMON," + valid_rest + ",\"file_length\":0}"},
        {"convert type 3", "/pdfweb/convert",
         "{\"common\":$COMMON," + valid_rest + ",\"file_length\":3,\"convert_type\":3}"},
        {"upper-case md5", "/pdfweb/convert",
         "{\"common\":$COMMON,\"convert_type\":1,\"filename\":\"a.pdf\",\"file_type\":\"pdf\","
         "\"target_file_type\":\"docx\",\"md5\":\"900150983CD24FB0D6963F7D28E17F72\","
         "\"file_length\":3}"},
        {"type with a slash", "/pdfweb/convert",
         "{\"common\":$COMMON,\"convert_type\":1,\"filename\":\"a.pdf\",\"file_type\":\"../x\","
         "\"target_file_type\":\"docx\",\"md5\":\"900150983cd24fb0d6963f7d28e17f72\","
         "\"file_length\":3}"},
        {"login without device", "/user/tourist/login", "{\"common\":$COMMON}"},
        {"progress id as number", "/pdfweb/query_progress",
         "{\"common\":$COMMON,\"convert_req_id\":5}"},
        {"report without id", "/pdfweb/report_upload", "{\"common\":$COMMON}"},
        {"nested too deep", "/pdfweb/convert", std::string(100, '[') + std::string(100, ']')},
    };
    for (const BadBody& bad : cases) {
        std::string body = bad.body;
        if (const auto at = body.find("$COMMON"); at != std::string::npos)
            body.replace(at, 7, common);
        const HttpAnswer answer = service.Post(bad.path, body);
        EXPECT_EQ(answer.status, 200) << bad.name;
        EXPECT_EQ(RetOf(answer.json), 4000001) << bad.name << ": " << answer.body;
    }
}

TEST(ServiceProtocolTest, UnknownPathsAndWrongMethodsAreHttpErrors) {
    ServiceHarness service;
    httplib::Client client(service.Server().BaseUrl());
    EXPECT_EQ(client.Get("/nowhere")->status, 404);
    EXPECT_EQ(client.Post("/pdfweb/nothing", "{}", "application/json")->status, 404);
    EXPECT_EQ(client.Get("/pdfweb/convert")->status, 405);
    EXPECT_EQ(client.Delete("/user/tourist/login")->status, 405);
    EXPECT_EQ(client.Post("/download/abc", "{}", "application/json")->status, 405);
}

TEST(ServiceProtocolTest, SizesOverTheCapsAreRefused) {
    ServiceOptions options;
    options.max_upload = 100000;
    ServiceHarness service(options);
    service.Login();
    Json::Value body = service.ConvertBody("abc");
    body["file_length"] = 100001;
    EXPECT_EQ(RetOf(service.PostJson("/pdfweb/convert", body).json), 4000002);
    body["file_length"] = 100000;
    EXPECT_EQ(RetOf(service.PostJson("/pdfweb/convert", body).json), 0);

    body["suggestion"] = std::string(1024 * 1024, 'x');
    EXPECT_EQ(service.PostJson("/pdfweb/convert", body).status, 413);
}

TEST(ServiceProtocolTest, StoredRequestsAreCapped) {
    ServiceOptions options;
    options.max_requests = 2;
    ServiceHarness service(options);
    service.Login();
    EXPECT_EQ(RetOf(service.Convert("a").json), 0);
    EXPECT_EQ(RetOf(service.Convert("b").json), 0);
    EXPECT_EQ(RetOf(service.Convert("c").json), 5000001);
}

TEST(ServiceProtocolTest, ProgressWaitsWhileTheUploadIsOutstanding) {
    ServiceHarness service;
    service.Login();
    const std::string req_id = service.Convert("abc").json["convert_req_id"].asString();
    const Json::Value progress = service.Progress(req_id);
    EXPECT_EQ(progress["status"].asInt(), 1);
    EXPECT_EQ(progress["progress"].asInt(), 0);
    EXPECT_FALSE(progress.isMember("url"));
}

TEST(ServiceProtocolTest, SweeperRemovesWhatWasNotUsedForTheRetentionTime) {
    ServiceOptions options;
    options.retention = 1s;
    options.sweep_interval = 100ms;
    ServiceHarness service(options);
    const auto finished = service.RoundTrip("abc");
    ASSERT_EQ(finished.progress["status"].asInt(), 2);
    const auto upload = service.DataFolder() / "uploads" / finished.req_id;
    const auto result = service.DataFolder() / "results" / finished.req_id;
    EXPECT_TRUE(std::filesystem::exists(result / "report.docx"));
    EXPECT_TRUE(WaitUntil(
        [&] { return !std::filesystem::exists(upload) && !std::filesystem::exists(result); }));
    EXPECT_EQ(RetOf(service.Progress(finished.req_id)), 4000003);
    EXPECT_EQ(service.Get(finished.progress["url"].asString()).status, 404);
    // Swept content is not offered again.
    EXPECT_EQ(service.Convert("abc").json["upload_type"].asInt(), 1);
}

TEST(ServiceProtocolTest, ManyClientsAtOnceEachGetTheirOwnResult) {
    ServiceHarness service(SmallBlocks());
    std::vector<std::thread> clients;
    std::atomic<int> delivered{0};
    for (int i = 0; i < 8; ++i) {
        clients.emplace_back([&, i] {
            ServiceClient client(service.Server().BaseUrl());
            client.Login("device-" + std::to_string(i));
            for (int round = 0; round < 3; ++round) {
                const std::string content = Patterned(20000 + 40000 * round + i, i * 10 + round);
                const auto finished = client.RoundTrip(content);
                if (client.Get(finished.progress["url"].asString()).body == content)
                    ++delivered;
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(delivered, 24);
}

TEST(ServiceProtocolTest, StopCancelsARunningConversion) {
    auto service = std::make_unique<ServiceHarness>();
    service->Converter().mode = FakeConverter::Mode::kWaitForCancel;
    service->Login();
    const Json::Value answer = service->Convert("abc").json;
    service->UploadAll(answer, "abc");
    service->Report(answer["req_id"].asString());
    ASSERT_TRUE(WaitUntil([&] { return service->Converter().calls == 1; }));
    const auto start = std::chrono::steady_clock::now();
    service->Server().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_TRUE(service->Converter().saw_cancel);
}

}  // namespace
}  // namespace service::testing
