#include <gtest/gtest.h>
#include <json/reader.h>

#include <fstream>
#include <sstream>

#include "ServiceHarness.h"
#include "service/CommandLine.h"
#include "service/ConvertRequest.h"
#include "service/Crypto.h"
#include "service/FaultPlan.h"
#include "service/MalformedAnswer.h"
#include "service/UrlSigner.h"

namespace service::testing {
namespace {

TEST(ServiceCryptoTest, DigestsMatchKnownVectors) {
    EXPECT_EQ(HexOf(Md5Raw("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Base64Of(Md5Raw("")), "1B2M2Y8AsgTpgAmY7PhCfg==");
    Md5Stream stream;
    stream.Add("a");
    stream.Add("bc");
    EXPECT_EQ(HexOf(stream.Finish()), "900150983cd24fb0d6963f7d28e17f72");
    // RFC 4231, test case 2.
    EXPECT_EQ(HmacSha256Hex("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    EXPECT_EQ(RandomHex(16).size(), 32u);
    EXPECT_NE(RandomHex(16), RandomHex(16));
}

TEST(ServiceUrlSignerTest, OnlyTheSignedRequestVerifiesBeforeItsExpiry) {
    const UrlSigner signer("key");
    const std::string url = signer.UploadUrl("http://h:1", "abc", 2, 1000);
    const std::string prefix = "http://h:1/storage/abc/2?expires=1000&sig=";
    ASSERT_EQ(url.substr(0, prefix.size()), prefix);
    const std::string sig = url.substr(prefix.size());
    EXPECT_EQ(sig, HmacSha256Hex("key", "PUT\nabc\n2\n1000"));

    struct Case {
        const char* name;
        std::string req_id;
        int part;
        std::string expires;
        std::string sig;
        std::int64_t now;
        bool valid;
    };
    const Case cases[] = {
        {"as signed", "abc", 2, "1000", sig, 999, true},
        {"at expiry", "abc", 2, "1000", sig, 1000, true},
        {"expired", "abc", 2, "1000", sig, 1001, false},
        {"other part", "abc", 3, "1000", sig, 999, false},
        {"other request", "abd", 2, "1000", sig, 999, false},
        {"later expiry", "abc", 2, "2000", sig, 999, false},
        {"expiry not a number", "abc", 2, "1000x", sig, 999, false},
        {"no signature", "abc", 2, "1000", "", 999, false},
        {"signed by another key", "abc", 2, "1000", HmacSha256Hex("other", "PUT\nabc\n2\n1000"),
         999, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(signer.VerifyUpload(c.req_id, c.part, c.expires, c.sig, c.now), c.valid)
            << c.name;

    const std::string download = signer.DownloadUrl("http://h:1", "abc", 1000);
    const std::string download_sig = download.substr(download.find("sig=") + 4);
    EXPECT_TRUE(signer.VerifyDownload("abc", "1000", download_sig, 5));
    EXPECT_FALSE(signer.VerifyUpload("abc", 0, "1000", download_sig, 5)) << "GET is not PUT";
}

Json::Value Parsed(const std::string& text) {
    Json::Value value;
    std::istringstream in(text);
    Json::CharReaderBuilder builder;
    std::string errors;
    EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << text;
    return value;
}

TEST(ServiceFaultPlanTest, ReadsEveryActionAndTheScript) {
    std::string error;
    const auto plan = ParseFaultPlan(Parsed(R"({
        "rules": [
            {"route": "login", "action": {"status": 502}},
            {"route": "convert", "skip": 2, "times": 1, "action": {"ret": 4001002}},
            {"route": "download", "action": {"malformed": "huge"}},
            {"route": "any", "times": 3, "action": {"stall_ms": 250}},
            {"route": "feedback_report", "action": {"cut_after": 17}}
        ],
        "progress_script": [[0, 1], [50, 1], [100, 2]]})"),
                                     &error);
    ASSERT_TRUE(plan) << error;
    ASSERT_EQ(plan->rules.size(), 5u);
    EXPECT_EQ(plan->rules[0].action.kind, FaultAction::Kind::kStatus);
    EXPECT_EQ(plan->rules[0].action.status, 502);
    EXPECT_EQ(plan->rules[0].times, -1);
    EXPECT_EQ(plan->rules[1].route, Route::kConvert);
    EXPECT_EQ(plan->rules[1].skip, 2);
    EXPECT_EQ(plan->rules[1].times, 1);
    EXPECT_EQ(plan->rules[1].action.ret, 4001002);
    EXPECT_EQ(plan->rules[2].action.malformed, Malformed::kHuge);
    EXPECT_EQ(plan->rules[3].route, Route::kAny);
    EXPECT_EQ(plan->rules[3].action.stall_ms, 250);
    EXPECT_EQ(plan->rules[4].route, Route::kFeedbackReport);
    EXPECT_EQ(plan->rules[4].action.cut_after, 17u);
    ASSERT_EQ(plan->progress_script.size(), 3u);
    EXPECT_EQ(plan->progress_script[1].progress, 50);
    EXPECT_EQ(plan->progress_script[2].status, 2);

    const auto bare =
        ParseFaultPlan(Parsed(R"([{"route": "upload", "action": {"status": 500}}])"), &error);
    ASSERT_TRUE(bare) << error;
    EXPECT_EQ(bare->rules.at(0).route, Route::kUpload);
}

TEST(ServiceFaultPlanTest, RefusesWhatItCannotApply) {
    const char* const bad[] = {
        R"("rules")",
        R"({"rules": {}})",
        R"({"rules": [{"action": {"status": 500}}]})",
        R"({"rules": [{"route": "logout", "action": {"status": 500}}]})",
        R"({"rules": [{"route": "login"}]})",
        R"({"rules": [{"route": "login", "action": {"status": 500, "ret": 1}}]})",
        R"({"rules": [{"route": "login", "action": {"status": 42}}]})",
        R"({"rules": [{"route": "login", "action": {"malformed": "xml"}}]})",
        R"({"rules": [{"route": "login", "action": {"stall_ms": -1}}]})",
        R"({"rules": [{"route": "login", "action": {"cut_after": "10"}}]})",
        R"({"rules": [{"route": "login", "skip": -1, "action": {"status": 500}}]})",
        R"({"rules": [{"route": "login", "times": -2, "action": {"status": 500}}]})",
        R"({"progress_script": [[50]]})",
        R"({"progress_script": [[150, 1]]})",
        R"({"progress_script": [[50, 4]]})",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseFaultPlan(Parsed(text), &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(ServiceFaultPlanTest, LoadsFromAFileOrSaysWhyNot) {
    TempDir temp;
    std::ofstream(temp / "plan.json")
        << R"({"rules": [{"route": "report", "action": {"ret": 5000001}}]})";
    std::ofstream(temp / "broken.json") << R"({"rules": [)";
    std::ofstream(temp / "deep.json") << std::string(5000, '[') << std::string(5000, ']');
    std::string error;
    const auto plan = LoadFaultPlan(temp / "plan.json", &error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->rules.at(0).action.ret, 5000001);
    for (const char* name : {"missing.json", "broken.json", "deep.json"}) {
        error.clear();
        EXPECT_FALSE(LoadFaultPlan(temp / name, &error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

TEST(ServiceFaultPlanTest, WrongTypesChangesTheTypeOfEveryValue) {
    const Json::Value normal = Parsed(
        R"({"resp_common": {"ret": 0, "msg": "ok"}, "n": 1.5, "b": true, "z": null,
            "list": [1], "nested": {"deep": {"s": "x"}}})");
    const Json::Value wrong = WithWrongTypes(normal);
    const std::function<void(const Json::Value&, const Json::Value&, const std::string&)> check =
        [&](const Json::Value& before, const Json::Value& after, const std::string& where) {
            if (before.isObject()) {
                ASSERT_TRUE(after.isObject()) << where;
                EXPECT_EQ(before.getMemberNames(), after.getMemberNames()) << where;
                for (const std::string& key : before.getMemberNames())
                    check(before[key], after[key], where + "." + key);
                return;
            }
            EXPECT_NE(before.type(), after.type()) << where;
            EXPECT_FALSE(before.isNumeric() && after.isNumeric()) << where;
        };
    check(normal, wrong, "");
}

TEST(ServiceConvertRequestTest, FileTypesAreNormalisedOrRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"pdf", "pdf"},    {"PDF", "pdf"},
        {".Docx", "docx"}, {"mp4", "mp4"},
        {"", nullptr},     {".", nullptr},
        {"../x", nullptr}, {"p df", nullptr},
        {"a/b", nullptr},  {"abcdefghijklmnopq", nullptr},
    };
    for (const auto& [sent, expected] : cases) {
        const auto normal = NormalizeFileType(sent);
        if (expected == nullptr)
            EXPECT_FALSE(normal) << sent;
        else
            EXPECT_EQ(normal.value_or("(refused)"), expected) << sent;
    }
}

TEST(ServiceConvertRequestTest, StemsAreSafeFileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"report.pdf", "report"},
        {"C:\\Users\\me\\年度报告.final.pdf", "年度报告.final"},
        {"/etc/passwd", "passwd"},
        {"../../x.pdf", "x"},
        {"..", "file"},
        {".hidden", "hidden"},
        {"a\nb:c.pdf", "abc"},
        {"", "file"},
        {std::string(300, 'a') + ".pdf", std::string(180, 'a')},
        // 61 three-byte characters are 183 bytes: the cut keeps 60 whole ones.
        {[] {
             std::string s;
             for (int i = 0; i < 61; ++i)
                 s += "文";
             return s;
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 60; ++i)
                 s += "文";
             return s;
         }()},
    };
    for (const auto& [filename, stem] : cases)
        EXPECT_EQ(SafeStem(filename), stem) << filename;
}

TEST(ServiceCommandLineTest, ReadsEveryOption) {
    std::string error;
    const auto line = ParseCommandLine({"--listen",
                                        "0.0.0.0:8080",
                                        "--data",
                                        "/srv/q",
                                        "--public-url",
                                        "https://q.example/",
                                        "--workers",
                                        "4",
                                        "--max-upload",
                                        "1000",
                                        "--retention",
                                        "60",
                                        "--token-lifetime",
                                        "120",
                                        "--block-size",
                                        "65536",
                                        "--multipart-threshold",
                                        "131072",
                                        "--max-requests",
                                        "7",
                                        "--tls-cert",
                                        "c.pem",
                                        "--tls-key",
                                        "k.pem",
                                        "--faults",
                                        "f.json",
                                        "--log",
                                        "s.log"},
                                       &error);
    ASSERT_TRUE(line) << error;
    const ServiceOptions& o = line->options;
    EXPECT_EQ(o.listen_host, "0.0.0.0");
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.data_folder, "/srv/q");
    EXPECT_EQ(o.public_url, "https://q.example/");
    EXPECT_EQ(o.workers, 4);
    EXPECT_EQ(o.max_upload, 1000u);
    EXPECT_EQ(o.retention, std::chrono::seconds(60));
    EXPECT_EQ(o.token_lifetime, std::chrono::seconds(120));
    EXPECT_EQ(o.block_size, 65536u);
    EXPECT_EQ(o.multipart_threshold, 131072u);
    EXPECT_EQ(o.max_requests, 7u);
    EXPECT_EQ(o.tls_cert, "c.pem");
    EXPECT_EQ(o.tls_key, "k.pem");
    EXPECT_EQ(o.log_file, "s.log");
    EXPECT_EQ(line->faults_file, "f.json");

    const auto defaults = ParseCommandLine({"--data", "d"}, &error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->options.listen_host, "127.0.0.1");
    EXPECT_EQ(defaults->options.workers, 2);
    EXPECT_EQ(defaults->options.max_upload, 512u * 1024 * 1024);
    EXPECT_EQ(defaults->options.block_size, 4u * 1024 * 1024);
    EXPECT_EQ(defaults->options.multipart_threshold, 8u * 1024 * 1024);
    EXPECT_EQ(defaults->options.retention, std::chrono::seconds(3600));
    EXPECT_EQ(defaults->options.token_lifetime, std::chrono::seconds(86400));

    const auto v6 = ParseCommandLine({"--data", "d", "--listen", "[::1]:0"}, &error);
    ASSERT_TRUE(v6) << error;
    EXPECT_EQ(v6->options.listen_host, "::1");
    EXPECT_EQ(v6->options.port, 0);
}

TEST(ServiceCommandLineTest, RefusesBadOptionsWithAReason) {
    const std::vector<std::vector<std::string>> bad{
        {},
        {"--listen", "127.0.0.1:1"},
        {"--data", "d", "--listen", "127.0.0.1"},
        {"--data", "d", "--listen", "127.0.0.1:70000"},
        {"--data", "d", "--listen", ":80"},
        {"--data", "d", "--workers", "0"},
        {"--data", "d", "--workers", "two"},
        {"--data", "d", "--max-upload", "-5"},
        {"--data", "d", "--retention", "0"},
        {"--data", "d", "--block-size", "10"},
        {"--data", "d", "--public-url", "q.example"},
        {"--data", "d", "--tls-cert", "c.pem"},
        {"--data", "d", "--frobnicate", "1"},
        {"--data"},
        {"--data", ""},
    };
    for (const auto& arguments : bad) {
        std::string error;
        EXPECT_FALSE(ParseCommandLine(arguments, &error)) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace service::testing
