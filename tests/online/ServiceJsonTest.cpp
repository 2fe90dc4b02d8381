#include <gtest/gtest.h>

#include "online/ServiceJson.h"
#include "online/UploadInstructions.h"

namespace {

Json::Value Parse(const std::string& text) {
    const auto value = service_json::ParseObject(service_json::UnescapeAmpersands(text));
    EXPECT_TRUE(value.has_value()) << text;
    return value.value_or(Json::Value());
}

TEST(ServiceJsonTest, WrongTypesCountAsAbsent) {
    const Json::Value answer =
        Parse(R"({"resp_common":"0","progress":"50","status":2.5,"url":7,"list":{"a":1}})");
    EXPECT_FALSE(service_json::RetOf(answer).has_value());
    EXPECT_FALSE(service_json::IntAt(answer, {"progress"}).has_value());
    EXPECT_FALSE(service_json::IntAt(answer, {"status"}).has_value());
    EXPECT_FALSE(service_json::StringAt(answer, {"url"}).has_value());
    EXPECT_FALSE(service_json::IntAt(answer, {"progress", "deeper"}).has_value());
    EXPECT_EQ(service_json::IntAt(answer, {"list", "a"}), 1);
    for (const char* text : {"", "[1,2]", "\"text\"", "{", "{\"a\":1} trailing"})
        EXPECT_FALSE(service_json::ParseObject(text).has_value()) << text;
    EXPECT_FALSE(service_json::ParseObject(std::string(100000, '[')).has_value());
}

TEST(ServiceJsonTest, BodiesAreCompactSortedAndEndInANewline) {
    Json::Value body;
    body["zeta"] = 1;
    body["alpha"]["name"] = "文档.pdf";
    EXPECT_EQ(service_json::Write(body), "{\"alpha\":{\"name\":\"文档.pdf\"},\"zeta\":1}\n");
}

TEST(UploadInstructionsTest, ReadsEveryFormTheServiceSends) {
    struct Case {
        const char* answer;
        bool accepted;
        int upload_type;
        std::int64_t block_size;
        std::size_t addresses;
    };
    const Case cases[] = {
        // Already stored: nothing to upload, no address needed.
        {R"({"resp_common":{"ret":0},"convert_req_id":"r","upload_type":0})", true, 0, 0, 0},
        // "req_id" stands in for a missing "convert_req_id".
        {R"({"req_id":"r","upload_type":1,"normal_upload":{"url":"https://s/x?a=1\u0026b=2"}})",
         true, 1, 0, 1},
        {R"({"convert_req_id":"r","upload_type":2,"multipart_upload":{"trunk_size":"1024",
            "trunk_urls":[{"part_num":1,"url":"http://s/1"},{"part_num":2,"url":"http://s/2"}]}})",
         true, 2, 1024, 2},
        // A number where a string belongs leaves the block size unusable.
        {R"({"convert_req_id":"r","upload_type":2,"multipart_upload":{"trunk_size":1024,
            "trunk_urls":[{"part_num":1,"url":"http://s/1"}]}})",
         true, 2, 0, 1},
        // Block sizes past the bound are not believed.
        {R"({"convert_req_id":"r","upload_type":2,"multipart_upload":{"trunk_size":"99999999999",
            "trunk_urls":[{"part_num":1,"url":"http://s/1"}]}})",
         true, 2, 0, 1},
        {R"({"resp_common":{"ret":1},"convert_req_id":"r","upload_type":0})", false, 0, 0, 0},
        {R"({"convert_req_id":"","upload_type":0})", false, 0, 0, 0},
        {R"({"convert_req_id":"r","upload_type":-1})", false, 0, 0, 0},
        {R"({"convert_req_id":"r","upload_type":1})", false, 0, 0, 0},
        {R"({"convert_req_id":"r","upload_type":1,"normal_upload":{"url":"file:///etc/passwd"}})",
         false, 0, 0, 0},
        {R"({"convert_req_id":"r","upload_type":2,"multipart_upload":{"trunk_size":"9",
            "trunk_urls":[{"part_num":1,"url":"http://s/1"},{"part_num":2,"url":"ftp://s/2"}]}})",
         false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const auto info = ParseUploadInstructions(Parse(c.answer), 1 << 30);
        ASSERT_EQ(info.has_value(), c.accepted) << c.answer;
        if (!info)
            continue;
        EXPECT_EQ(info->request_id, "r") << c.answer;
        EXPECT_EQ(info->upload_type, c.upload_type) << c.answer;
        EXPECT_EQ(info->block_size, c.block_size) << c.answer;
        EXPECT_EQ(info->addresses.size(), c.addresses) << c.answer;
    }
    const auto single = ParseUploadInstructions(
        Parse(
            R"({"req_id":"r","upload_type":1,"normal_upload":{"url":"https://s/x?a=1\u0026b=2"}})"),
        1024);
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->addresses.at(0), "https://s/x?a=1&b=2");
}

}  // namespace
