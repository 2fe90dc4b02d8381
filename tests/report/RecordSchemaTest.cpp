#include <gtest/gtest.h>

#include <set>
#include <string>

#include "report/RecordSchema.h"
#include "report/Schemas.h"

namespace report {
namespace {

TEST(RecordSchemaTest, ParsesNameIdAndFieldsInOrder) {
    const auto schema = ParseSchema("rec_1:42 a:byte b:short c:int d:int64 e:bit f:string");
    ASSERT_TRUE(schema);
    EXPECT_EQ(schema->name, "rec_1");
    EXPECT_EQ(schema->id, 42);
    const std::vector<std::pair<std::string, FieldType>> expected = {
        {"a", FieldType::Byte},  {"b", FieldType::Short}, {"c", FieldType::Int},
        {"d", FieldType::Int64}, {"e", FieldType::Bit},   {"f", FieldType::String}};
    ASSERT_EQ(schema->fields.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(schema->fields[i].name, expected[i].first);
        EXPECT_EQ(schema->fields[i].type, expected[i].second);
        EXPECT_EQ(schema->IndexOf(expected[i].first), i);
    }
    EXPECT_FALSE(schema->IndexOf("g"));
    EXPECT_FALSE(schema->IndexOf("A"));

    const auto bare = ParseSchema("bare:7");
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->fields.empty());
}

TEST(RecordSchemaTest, RefusesMalformedDeclarationsWithAReason) {
    const char* const kBad[] = {
        "",                       // nothing
        "name",                   // no id
        "name:",                  // empty id
        ":12 a:int",              // empty name
        "name:12a a:int",         // id not decimal
        "name:-1 a:int",          // signed id
        "name:1234567890 a:int",  // id too long
        "name:1:2 a:int",         // two colons in the head
        "na me:1 a:int",          // space inside the name
        "name:1  a:int",          // double space
        " name:1 a:int",          // leading space
        "name:1 a:int ",          // trailing space
        "name:1 a",               // field without type
        "name:1 a:",              // empty type
        "name:1 :int",            // empty field name
        "name:1 a:long",          // unknown type
        "name:1 a:Int",           // types are lower case
        "name:1 a:int a:string",  // duplicate field
        "name:1 a-b:int",         // bad character in field name
        "name:1 a:int:int",       // two colons in an entry
        "name:1\ta:int",          // tab is no separator
        "n\xC3\xA4me:1 a:int",    // non-ASCII name
    };
    for (const char* text : kBad) {
        std::string error;
        EXPECT_FALSE(ParseSchema(text, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RecordSchemaTest, BoundsSizeAndFieldCount) {
    std::string fields = "big:1";
    for (std::size_t i = 0; i < kMaxSchemaFields; ++i)
        fields += " f" + std::to_string(i) + ":int";
    EXPECT_TRUE(ParseSchema(fields));
    EXPECT_FALSE(ParseSchema(fields + " one_more:int"));
    EXPECT_FALSE(ParseSchema("long:1 " + std::string(kMaxSchemaBytes, 'x') + ":int"));
}

TEST(RecordSchemaTest, ValueKindsGoOnlyIntoMatchingFields) {
    struct Case {
        FieldType type;
        bool int32;
        bool int64;
        bool text;
    };
    const Case kCases[] = {
        {FieldType::Byte, true, false, false}, {FieldType::Short, true, false, false},
        {FieldType::Int, true, false, false},  {FieldType::Int64, true, true, false},
        {FieldType::Bit, true, false, false},  {FieldType::String, false, false, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(FieldTypeName(c.type)));
        EXPECT_EQ(FieldTakes(c.type, ValueKind::Int32), c.int32);
        EXPECT_EQ(FieldTakes(c.type, ValueKind::Int64), c.int64);
        EXPECT_EQ(FieldTakes(c.type, ValueKind::Text), c.text);
    }
}

TEST(RecordSchemaTest, EveryProgramDeclarationParsesWithItsIdAndFieldCount) {
    struct Expected {
        std::string_view schema;
        const char* name;
        int id;
        std::size_t fields;
    };
    const Expected kRecords[] = {
        {schemas::kStartup, "amber_pdftoword_startup", 7098, 5},
        {schemas::kConverterStart, "amber_birchpdf_converter_start", 7777, 2},
        {schemas::kMainOpen, "amber_pdftoword_main_open", 8455, 11},
        {schemas::kMainClick, "amber_pdftoword_main_click", 6564, 5},
        {schemas::kSettings, "amber_pdftoword_set", 6567, 6},
        {schemas::kResult, "amber_pdftoword_result", 8391, 34},
        {schemas::kImageInfo, "amber_birchpdf_converter_imginfo", 7803, 14},
        {schemas::kQuickFeedback, "amber_pdftoword_feedback", 7051, 11},
        {schemas::kFeedback, "amber_pdftoword_feedback", 6561, 6},
        {schemas::kConverterFeedback, "amber_birchpdf_converter_feedback", 7848, 12},
        {schemas::kAppraisePop, "amber_pdfcovert_appraisepop", 6921, 4},
        {schemas::kPop, "amber_pdfcovert_pop", 6873, 4},
        {schemas::kDownload, "amber_pdftoword_down", 6560, 4},
        {schemas::kDefaultSoftPop, "amber_birchpdf_pop_defsoft", 7759, 7},
        {schemas::kDefaultProtect, "amber_pdfstart_defpro", 8465, 5},
        {schemas::kIcon, "amber_birchpdf_ico", 7641, 6},
    };
    ASSERT_EQ(std::size(kRecords), std::size(schemas::kAll));
    std::set<int> ids;
    for (const Expected& expected : kRecords) {
        std::string error;
        const auto schema = ParseSchema(expected.schema, &error);
        ASSERT_TRUE(schema) << expected.schema << ": " << error;
        EXPECT_EQ(schema->name, expected.name);
        EXPECT_EQ(schema->id, expected.id);
        EXPECT_EQ(schema->fields.size(), expected.fields) << expected.name;
        EXPECT_EQ(schema->text, expected.schema);
        ids.insert(schema->id);
    }
    EXPECT_EQ(ids.size(), std::size(kRecords));
}

}  // namespace
}  // namespace report
