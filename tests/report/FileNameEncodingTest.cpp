#include "report/FileNameEncoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace report {
namespace {

TEST(FileNameEncodingTest, Base62NumbersCountTheirDigitsFirstAndRunLeastSignificantFirst) {
    struct Case {
        std::uint64_t number;
        const char* expected;
    };
    const Case kCases[] = {
        {0, "10"},     {9, "19"},      {10, "1a"},      {35, "1z"},
        {36, "1A"},    {61, "1Z"},     {62, "201"},     {63, "211"},
        {3843, "2ZZ"}, {3844, "3001"}, {65535, "313h"}, {UINT64_MAX, "bfyha61AhGYl"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(Base62Number(c.number), c.expected) << c.number;
}

// Worked by hand with mask 29 ("1t"): "A" is 65, 65^29 = 92 = "2u1", and the XOR of all units
// is 65 = "231"; U+1F600 is the units D83D DE00.
TEST(FileNameEncodingTest, EncodesUtf16UnitsMaskedWithCountAndChecksum) {
    ASSERT_EQ(kFileNameMask, 29);
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case kCases[] = {
        {"", "1t1010"},
        {"A", "1t112u1231"},
        {"\xF0\x9F\x98\x80", "1t123ooe37Ne2Lp"},  // one character, two units
        {"a.pdf", "1t152021P2L12X12Z11Z"},
        {"\xE6\x96\x87\xE6\xA1\xA3.docx", "1t173wL63sX61P2X12Q12222D12cV"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(EncodeFileName(c.name), c.expected) << c.name;
}

// Reads the encoded form back, independently of the encoder.
class Decoder {
public:
    explicit Decoder(std::string_view text) : text_(text) {}

    std::optional<std::uint64_t> Number() {
        if (text_.empty())
            return std::nullopt;
        const std::size_t count = DigitValue(text_[0]);
        if (count == 0 || text_.size() < count + 1)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = count; i >= 1; --i)
            value = value * 62 + DigitValue(text_[i]);
        text_.remove_prefix(count + 1);
        return value;
    }
    bool AtEnd() const { return text_.empty(); }

private:
    static std::size_t DigitValue(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 10;
        return c - 'A' + 36;
    }

    std::string_view text_;
};

TEST(FileNameEncodingTest, DecodesBackToTheUtf16Units) {
    const std::string kNames[] = {
        "/home/me/Documents/report.pdf", std::string(100, 'x'),  // the count needs two digits
        "/tmp/\xE6\x96\x87\xE4\xBB\xB6 \xF0\x9F\x93\x84.docx",
        "bad\xFF"
        "byte",  // decoded the way the rest of the program reads it
    };
    for (const std::string& name : kNames) {
        SCOPED_TRACE(name);
        const std::u16string units = platform::Utf8ToUtf16(name);
        const std::string encoded = EncodeFileName(name);
        Decoder decoder(encoded);
        const auto mask = decoder.Number();
        ASSERT_EQ(mask, std::optional<std::uint64_t>(kFileNameMask));
        ASSERT_EQ(decoder.Number(), std::optional<std::uint64_t>(units.size()));
        std::uint16_t checksum = 0;
        for (char16_t unit : units) {
            const auto masked = decoder.Number();
            ASSERT_TRUE(masked);
            EXPECT_EQ(*masked ^ *mask, unit);
            checksum ^= unit;
        }
        EXPECT_EQ(decoder.Number(), std::optional<std::uint64_t>(checksum));
        EXPECT_TRUE(decoder.AtEnd());
    }
}

}  // namespace
}  // namespace report
