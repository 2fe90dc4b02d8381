#include "reconstruct/CellValue.h"

#include <gtest/gtest.h>

namespace reconstruct {
namespace {

using Kind = CellValue::Kind;

struct TypedCase {
    const char* text;
    Kind kind;
    double number;
    const char* format;
};

class CellValueTypedTest : public testing::TestWithParam<TypedCase> {};

TEST_P(CellValueTypedTest, ParsesValueAndFormat) {
    const TypedCase& expected = GetParam();
    const CellValue value = ParseCellValue(expected.text);
    EXPECT_EQ(value.kind, expected.kind);
    EXPECT_DOUBLE_EQ(value.number, expected.number);
    EXPECT_EQ(value.number_format, expected.format);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, CellValueTypedTest,
    testing::Values(
        TypedCase{"42", Kind::kNumber, 42, ""}, TypedCase{"0", Kind::kNumber, 0, ""},
        TypedCase{" 7 ", Kind::kNumber, 7, ""}, TypedCase{"-123", Kind::kNumber, -123, ""},
        TypedCase{"+5", Kind::kNumber, 5, ""}, TypedCase{"0.5", Kind::kNumber, 0.5, "0.0"},
        TypedCase{".25", Kind::kNumber, 0.25, "0.00"},
        TypedCase{"12.50", Kind::kNumber, 12.5, "0.00"},
        TypedCase{"1,234.50", Kind::kNumber, 1234.5, "#,##0.00"},
        TypedCase{"1,234,567", Kind::kNumber, 1234567, "#,##0"},
        TypedCase{"12.5%", Kind::kNumber, 0.125, "0.0%"},
        TypedCase{"8%", Kind::kNumber, 0.08, "0%"}, TypedCase{"-3％", Kind::kNumber, -0.03, "0%"},
        TypedCase{"(123)", Kind::kNumber, -123, "0;(0)"},
        TypedCase{"(1,000.5)", Kind::kNumber, -1000.5, "#,##0.0;(#,##0.0)"},
        TypedCase{"$3.50", Kind::kNumber, 3.5, "$0.00"},
        TypedCase{"-$3.50", Kind::kNumber, -3.5, "$0.00"},
        TypedCase{"$-3.50", Kind::kNumber, -3.5, "$0.00"},
        TypedCase{"¥1,000", Kind::kNumber, 1000, "\"¥\"#,##0"},
        TypedCase{"￥12.00", Kind::kNumber, 12, "\"￥\"0.00"},
        TypedCase{"€5", Kind::kNumber, 5, "\"€\"0"},
        TypedCase{"(£2.5)", Kind::kNumber, -2.5, "\"£\"0.0;(\"£\"0.0)"},
        // The general format would show these in scientific notation.
        TypedCase{"13812345678", Kind::kNumber, 13812345678, ""},
        TypedCase{"123456789012345", Kind::kNumber, 123456789012345, "0"}));

// Serial day numbers as spreadsheets count them (1 = 1900-01-01).
INSTANTIATE_TEST_SUITE_P(
    Dates, CellValueTypedTest,
    testing::Values(TypedCase{"2024-01-05", Kind::kDate, 45296, "yyyy-mm-dd"},
                    TypedCase{"2024/1/5", Kind::kDate, 45296, "yyyy-mm-dd"},
                    TypedCase{"2024年1月5日", Kind::kDate, 45296, "yyyy-mm-dd"},
                    TypedCase{"2024.01.05", Kind::kDate, 45296, "yyyy-mm-dd"},
                    TypedCase{"2000-02-29", Kind::kDate, 36585, "yyyy-mm-dd"},
                    TypedCase{"1970-01-01", Kind::kDate, 25569, "yyyy-mm-dd"},
                    TypedCase{"2024-12-31", Kind::kDate, 45657, "yyyy-mm-dd"}));

class CellValueTextTest : public testing::TestWithParam<const char*> {};

TEST_P(CellValueTextTest, StaysTextAsPrinted) {
    const CellValue value = ParseCellValue(GetParam());
    EXPECT_EQ(value.kind, Kind::kText);
    EXPECT_EQ(value.text, GetParam());
    EXPECT_TRUE(value.number_format.empty());
}

INSTANTIATE_TEST_SUITE_P(KeptAsText, CellValueTextTest,
                         testing::Values("00123",  // a code: its leading zeros matter
                                         "0,123",
                                         "1234567890123456",     // more digits than a number keeps
                                         "6222021234567890123",  // a card or account number
                                         "01/02/2024",           // day and month could be swapped
                                         "05.01.2024", "24-01-05", "2024-13-01", "2023-02-29",
                                         "2024-04-31", "2024年1月", "2024-01/05", "1,23", "12,3456",
                                         "1.2.3", "5.", "-(5)", "(-5)", "$5%", "1e5", "12 345",
                                         "123-", "Total", "N/A", "-", "$", "3.5 kg", "Q3 2024"));

TEST(CellValueTest, EmptyAndBlankCellsAreEmpty) {
    for (const char* text : {"", "   ", "\t\u00A0\u3000"}) {
        const CellValue value = ParseCellValue(text);
        EXPECT_EQ(value.kind, Kind::kEmpty) << text;
        EXPECT_TRUE(value.text.empty()) << text;
    }
}

TEST(CellValueTest, TextIsTrimmedButOtherwiseKept) {
    EXPECT_EQ(ParseCellValue("\u3000 1,234.50 \u00A0").text, "1,234.50");
    EXPECT_EQ(ParseCellValue("  two words ").text, "two words");
}

}  // namespace
}  // namespace reconstruct
