// The binary form byte for byte, and what Deserialize makes of damaged or hostile bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "util/BundleWire.h"
#include "util/KBundle.h"

namespace util {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::span<const std::uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

void Append16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(Bytes& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// One item as it sits in a body; `declared_size` lets a test lie about the value's length.
Bytes Item(std::uint16_t type, std::u16string_view key, const Bytes& value,
           std::optional<std::uint32_t> declared_size = std::nullopt) {
    Bytes out;
    Append16(out, type);
    Append16(out, static_cast<std::uint16_t>(key.size()));
    Append32(out, declared_size.value_or(static_cast<std::uint32_t>(value.size())));
    for (const char16_t unit : key)
        Append16(out, unit);
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

// A header with a correct checksum and total in front of `body`.
Bytes Frame(const Bytes& body) {
    std::uint16_t sum = 0;
    for (const std::uint8_t byte : body)
        sum = static_cast<std::uint16_t>(sum + static_cast<std::int8_t>(byte));
    Bytes out;
    Append16(out, 1);
    Append16(out, sum);
    Append32(out, static_cast<std::uint32_t>(body.size() + 8));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

const Bytes kEmpty = {0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};

constexpr std::uint16_t kBundleType = 7;
constexpr std::uint16_t kListType = 8;

// `levels` bundles, each but the innermost holding the next in an item of `type`.
Bytes Nested(std::uint16_t type, int levels) {
    Bytes bytes = kEmpty;
    for (int i = 1; i < levels; ++i)
        bytes = Frame(Item(type, u"n", bytes));
    return bytes;
}

TEST(BundleWireTest, ChecksumAddsBytesAsSigned) {
    struct Case {
        Bytes bytes;
        std::uint16_t expected;
    };
    const Case cases[] = {
        {{}, 0x0000},           {{0x80, 0x01}, 0xFF81},     {{0x7F}, 0x007F},
        {{0xFF, 0xFF}, 0xFFFE}, {Bytes(600, 0x7F), 0x29A8},  // 76200 wraps past 65535
    };
    for (const Case& c : cases)
        EXPECT_EQ(bundle_wire::Checksum(c.bytes), c.expected) << c.bytes.size() << " bytes";
}

TEST(BundleWireTest, SerialisesByteForByte) {
    struct Case {
        const char* what;
        std::function<void(KBundle&)> fill;
        Bytes expected;
    };
    const Case cases[] = {
        {"empty", [](KBundle&) {}, kEmpty},
        {"int -2 under a",
         [](KBundle& b) { b.PutInt("a", -2); },
         {0x01, 0x00, 0x62, 0x00, 0x16, 0x00, 0x00, 0x00,  // header, checksum 0x62, total 22
          0x01, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00,  // type 1, key 1 unit, value 4 bytes
          0x61, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}},
        {"nested empty bundle",
         [](KBundle& b) { b.PutBundle("n", KBundle()); },
         {0x01, 0x00, 0x87, 0x00, 0x1A, 0x00, 0x00, 0x00, 0x07, 0x00, 0x01, 0x00, 0x08,
          0x00, 0x00, 0x00, 0x6E, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}},
        {"list of two empty bundles",
         [](KBundle& b) {
             const KBundle first, second;
             const KBundle* both[] = {&first, &second};
             b.PutList("l", both);
         },
         {0x01, 0x00, 0x97, 0x00, 0x22, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x00,
          0x10, 0x00, 0x00, 0x00, 0x6C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00,
          0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}},
        {"live pointer written as 0",
         [](KBundle& b) {
             static int target;
             b.PutPtr("p", &target);
         },
         {0x01, 0x00, 0x79, 0x00, 0x16, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01,
          0x00, 0x04, 0x00, 0x00, 0x00, 0x70, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"keys in insertion order b, a come out a, b",
         [](KBundle& b) {
             b.PutBinary("b", Bytes{});
             b.PutBinary("a", Bytes{0x80});
         },
         {0x01, 0x00, 0x52, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
          0x00, 0x61, 0x00, 0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x62, 0x00}},
    };
    for (const Case& c : cases) {
        KBundle bundle;
        c.fill(bundle);
        EXPECT_EQ(ToBytes(bundle.Serialize()), c.expected) << c.what;

        KBundle reread;
        EXPECT_TRUE(reread.Deserialize(c.expected)) << c.what;
        EXPECT_EQ(ToBytes(reread.Serialize()), c.expected) << c.what;
    }
}

TEST(BundleWireTest, KeysFollowUtf16OrderNotUtf8Order) {
    // U+FF21 sorts before U+1F600 in UTF-8 but after its surrogates in UTF-16.
    KBundle bundle;
    bundle.PutInt("\xEF\xBC\xA1", 1);
    bundle.PutInt("\xF0\x9F\x98\x80", 2);
    const Bytes bytes = ToBytes(bundle.Serialize());
    ASSERT_GT(bytes.size(), 20u);
    EXPECT_EQ(bytes[16], 0x3D);
    EXPECT_EQ(bytes[17], 0xD8);
}

Bytes WithoutLast(Bytes bytes, std::size_t count) {
    bytes.resize(bytes.size() - count);
    return bytes;
}

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

const Bytes kIntA = Item(1, u"a", {1, 0, 0, 0});

TEST(BundleWireTest, RefusesMalformedBytes) {
    const Bytes bad_checksum = WithByte(Frame(kIntA), 2, Frame(kIntA)[2] ^ 1);
    const Bytes total_zero = WithByte(kEmpty, 4, 0);
    const Bytes total_four = WithByte(kEmpty, 4, 4);
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"no bytes", {}},
        {"seven bytes", WithoutLast(kEmpty, 1)},
        {"tag 2", WithByte(kEmpty, 0, 2)},
        {"total 0", total_zero},
        {"total 4", total_four},
        {"total beyond the bytes", WithByte(kEmpty, 4, 9)},
        {"checksum off by one", bad_checksum},
        {"item header cut short", Frame({0x01, 0x00, 0x01, 0x00})},
        {"bytes after the last item", Frame(Concat({kIntA, {0, 0, 0}}))},
        {"key past the total", Frame(WithoutLast(Item(6, u"abc", {}), 4))},
        {"value past the total", Frame(Item(6, u"a", {1, 2, 3}, 4))},
        {"value length wrapping 32 bits", Frame(Item(6, u"a", {}, 0xFFFFFFF8))},
        {"value length 2^32 - 1", Frame(Item(6, u"a", {}, 0xFFFFFFFF))},
        {"type 0", Frame(Item(0, u"a", {}))},
        {"type 9", Frame(Item(9, u"a", {}))},
        {"int of 3 bytes", Frame(Item(1, u"a", {1, 2, 3}))},
        {"int64 of 4 bytes", Frame(Item(2, u"a", {1, 2, 3, 4}))},
        {"double of 9 bytes", Frame(Item(3, u"a", Bytes(9, 0)))},
        {"pointer of 8 bytes", Frame(Item(4, u"a", Bytes(8, 0)))},
        {"repeated key", Frame(Concat({kIntA, kIntA}))},
        {"nested bundle with a bad checksum", Frame(Item(7, u"n", bad_checksum))},
        {"nested bundle with total 0", Frame(Item(7, u"n", total_zero))},
        {"nested bundle of 4 bytes", Frame(Item(7, u"n", {1, 0, 0, 0}))},
        {"list element with total 0", Frame(Item(8, u"l", total_zero))},
        {"list element with total 4", Frame(Item(8, u"l", total_four))},
        {"list not filled exactly", Frame(Item(8, u"l", Concat({kEmpty, {1, 0, 0, 0}})))},
        {"65 nested bundles", Nested(kBundleType, 65)},
        {"65 nested lists", Nested(kListType, 65)},
    };
    for (const Case& c : cases) {
        KBundle bundle;
        EXPECT_FALSE(bundle.Deserialize(c.bytes)) << c.what;
    }
}

TEST(BundleWireTest, ReadsTheDeepestAllowedNesting) {
    for (const Bytes& bytes :
         {Nested(kBundleType, KBundle::kMaxDepth), Nested(kListType, KBundle::kMaxDepth)}) {
        KBundle bundle;
        ASSERT_TRUE(bundle.Deserialize(bytes));
        EXPECT_EQ(ToBytes(bundle.Serialize()), bytes);
    }
}

TEST(BundleWireTest, NestingCountsFromTheBundleReadInto) {
    KBundle outer;
    outer.PutBundle("inner", KBundle());
    KBundle* inner = outer.GetBundle("inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_FALSE(inner->Deserialize(Nested(kBundleType, KBundle::kMaxDepth)));
    EXPECT_TRUE(inner->Deserialize(Nested(kBundleType, KBundle::kMaxDepth - 1)));
}

TEST(BundleWireTest, FailedReadKeepsWhatCameBefore) {
    KBundle partial;
    EXPECT_FALSE(partial.Deserialize(Frame(Concat({kIntA, Item(9, u"b", {})}))));
    EXPECT_EQ(partial.GetInt("a"), 1);

    // Without clearing, a key already held stops the read there.
    KBundle held;
    held.PutInt("b", 7);
    EXPECT_FALSE(held.Deserialize(
        Frame(Concat({kIntA, Item(1, u"b", {2, 0, 0, 0}), Item(1, u"c", {3, 0, 0, 0})})), false));
    EXPECT_EQ(held.GetInt("a") + held.GetInt("b"), 8);
    EXPECT_FALSE(held.HasKey("c"));

    // A bad header adds nothing; only the clear removes.
    const Bytes bad_checksum = WithByte(Frame(kIntA), 2, Frame(kIntA)[2] ^ 1);
    EXPECT_FALSE(held.Deserialize(bad_checksum, false));
    EXPECT_EQ(held.GetInt("b"), 7);
    EXPECT_FALSE(held.Deserialize(bad_checksum, true));
    EXPECT_FALSE(held.HasKey("b"));
}

TEST(BundleWireTest, IgnoresBytesBeyondTheTotal) {
    KBundle bundle;
    EXPECT_TRUE(bundle.Deserialize(Concat({Frame(kIntA), {0xAA, 0xBB}})));
    EXPECT_EQ(bundle.GetInt("a"), 1);
}

TEST(BundleWireTest, PointerFromBytesIsNeverHandedOutButWrittenBackAsItWas) {
    const Bytes bytes = Frame(Item(4, u"p", {0xEF, 0xBE, 0xAD, 0xDE}));
    KBundle bundle;
    ASSERT_TRUE(bundle.Deserialize(bytes));
    EXPECT_TRUE(bundle.HasKey("p"));
    EXPECT_EQ(bundle.GetPtr("p"), nullptr);
    EXPECT_EQ(ToBytes(bundle.Serialize()), bytes);

    KBundle copy;
    ASSERT_TRUE(bundle.CopyTo(copy));
    EXPECT_EQ(copy.GetPtr("p"), nullptr);
}

TEST(BundleWireTest, StringsFromBytes) {
    struct Case {
        const char* what;
        Bytes value;
        std::string text;
        bool written_back_as_read;
    };
    const Case cases[] = {
        {"CJK", {0xE5, 0x65, 0x2C, 0x67}, "\xE6\x97\xA5\xE6\x9C\xAC", true},
        {"unpaired surrogate", {0x41, 0x00, 0x00, 0xD8}, "A\xEF\xBF\xBD", true},
        {"odd trailing byte dropped", {0x41, 0x00, 0x42}, "A", false},
        {"empty", {}, "", true},
    };
    for (const Case& c : cases) {
        const Bytes bytes = Frame(Item(5, u"s", c.value));
        KBundle bundle;
        ASSERT_TRUE(bundle.Deserialize(bytes)) << c.what;
        EXPECT_EQ(bundle.GetString("s", "fallback"), c.text) << c.what;
        EXPECT_EQ(ToBytes(bundle.Serialize()) == bytes, c.written_back_as_read) << c.what;
    }
}

TEST(BundleWireTest, ReadsBytesThatPointIntoAnItemItClears) {
    KBundle source;
    source.PutInt("a", 42);
    KBundle bundle;
    bundle.PutBinary("blob", source.Serialize());
    const std::vector<std::uint8_t>* blob = bundle.GetBinary("blob");
    ASSERT_NE(blob, nullptr);
    EXPECT_TRUE(bundle.Deserialize(*blob, true));
    EXPECT_EQ(bundle.GetInt("a"), 42);
    EXPECT_FALSE(bundle.HasKey("blob"));
}

}  // namespace
}  // namespace util
