#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "util/BundleWire.h"

// The values a KBundle holds, one class per kind, each knowing its own value bytes in the
// binary form. Only KBundle creates and owns them.
namespace util {

class KBundle;

// The type numbers of the binary form.
enum class BundleItemType : std::uint16_t {
    kInt = 1,
    kInt64 = 2,
    kDouble = 3,
    kPtr = 4,
    kString = 5,
    kBinary = 6,
    kBundle = 7,
    kList = 8,
};

class BundleItem {
public:
    virtual ~BundleItem() = default;

    virtual BundleItemType GetType() const = 0;
    // Appends the value bytes (without the item header). False when a nested bundle is too
    // large for its 32-bit length field.
    virtual bool Serialize(std::vector<std::uint8_t>& out) const = 0;
    // On failure the caller discards the item, whatever state it was left in.
    virtual bool Deserialize(std::span<const std::uint8_t> value) = 0;
    // A deep copy for a bundle at nesting level `holder_depth`.
    virtual std::unique_ptr<BundleItem> Clone(int holder_depth) const = 0;
    virtual bool SameValue(const BundleItem& other) const = 0;
    // How many nesting levels the item adds below its holder: 0 for plain values.
    virtual int NestedHeight() const { return 0; }
};

// An empty item of the given type number for a bundle at nesting level `holder_depth`; null for
// an unknown type number, and for a nested kind that would go deeper than KBundle::kMaxDepth.
std::unique_ptr<BundleItem> MakeEmptyBundleItem(std::uint16_t type, int holder_depth);

// Integers and doubles: their bit pattern, little-endian, of exactly their own size.
template <typename T, BundleItemType kType>
class ScalarItem final : public BundleItem {
public:
    explicit ScalarItem(T value = T{}) : value_(value) {}

    T value() const { return value_; }

    BundleItemType GetType() const override { return kType; }
    bool Serialize(std::vector<std::uint8_t>& out) const override {
        bundle_wire::AppendLittleEndian(out, std::bit_cast<Bits>(value_));
        return true;
    }
    bool Deserialize(std::span<const std::uint8_t> value) override {
        if (value.size() != sizeof(T))
            return false;
        value_ = std::bit_cast<T>(bundle_wire::ReadLittleEndian<Bits>(value.data()));
        return true;
    }
    std::unique_ptr<BundleItem> Clone(int) const override {
        return std::make_unique<ScalarItem>(value_);
    }
    // Bitwise, so that a NaN read from bytes equals itself.
    bool SameValue(const BundleItem& other) const override {
        const auto* same = dynamic_cast<const ScalarItem*>(&other);
        return same != nullptr && std::bit_cast<Bits>(same->value_) == std::bit_cast<Bits>(value_);
    }

private:
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
    static_assert(sizeof(T) == sizeof(Bits));

    T value_;
};

using IntItem = ScalarItem<std::int32_t, BundleItemType::kInt>;
using Int64Item = ScalarItem<std::int64_t, BundleItemType::kInt64>;
using DoubleItem = ScalarItem<double, BundleItemType::kDouble>;

// An address means something only inside the process that made it, and the 4-byte field cannot
// even hold one of ours. So a pointer put by this process stays usable here (and in in-process
// copies) but is written out as 0, which tells a reader nothing about our memory; a value read
// from bytes is kept as the number it is, written back unchanged, and never handed out as a
// pointer.
class PtrItem final : public BundleItem {
public:
    PtrItem() = default;
    explicit PtrItem(void* live) : live_(live) {}

    // Null for a value that came from bytes.
    void* live_pointer() const { return live_; }

    BundleItemType GetType() const override { return BundleItemType::kPtr; }
    bool Serialize(std::vector<std::uint8_t>& out) const override;
    bool Deserialize(std::span<const std::uint8_t> value) override;
    std::unique_ptr<BundleItem> Clone(int) const override;
    bool SameValue(const BundleItem& other) const override;

private:
    void* live_ = nullptr;       // set only by this process, never from bytes
    std::uint32_t foreign_ = 0;  // the value read from bytes
};

// UTF-16 code units as read, so that text passed through is written back byte for byte even
// when it is not valid UTF-16.
class StringItem final : public BundleItem {
public:
    StringItem() = default;
    explicit StringItem(std::u16string text) : text_(std::move(text)) {}

    const std::u16string& text() const { return text_; }

    BundleItemType GetType() const override { return BundleItemType::kString; }
    bool Serialize(std::vector<std::uint8_t>& out) const override;
    // An odd trailing byte is dropped: the value holds size / 2 code units.
    bool Deserialize(std::span<const std::uint8_t> value) override;
    std::unique_ptr<BundleItem> Clone(int) const override;
    bool SameValue(const BundleItem& other) const override;

private:
    std::u16string text_;
};

class BinaryItem final : public BundleItem {
public:
    BinaryItem() = default;
    explicit BinaryItem(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    BundleItemType GetType() const override { return BundleItemType::kBinary; }
    bool Serialize(std::vector<std::uint8_t>& out) const override;
    bool Deserialize(std::span<const std::uint8_t> value) override;
    std::unique_ptr<BundleItem> Clone(int) const override;
    bool SameValue(const BundleItem& other) const override;

private:
    std::vector<std::uint8_t> bytes_;
};

class NestedBundleItem final : public BundleItem {
public:
    // An empty bundle at nesting level `child_depth`.
    explicit NestedBundleItem(int child_depth);
    explicit NestedBundleItem(std::unique_ptr<KBundle> bundle);
    ~NestedBundleItem() override;

    KBundle* bundle() const { return bundle_.get(); }

    BundleItemType GetType() const override { return BundleItemType::kBundle; }
    bool Serialize(std::vector<std::uint8_t>& out) const override;
    bool Deserialize(std::span<const std::uint8_t> value) override;
    std::unique_ptr<BundleItem> Clone(int holder_depth) const override;
    bool SameValue(const BundleItem& other) const override;
    int NestedHeight() const override;

private:
    std::unique_ptr<KBundle> bundle_;  // never null
};

class BundleListItem final : public BundleItem {
public:
    using Bundles = std::vector<std::unique_ptr<KBundle>>;

    // An empty list whose bundles sit at nesting level `child_depth`.
    explicit BundleListItem(int child_depth);
    BundleListItem(int child_depth, Bundles bundles);
    ~BundleListItem() override;

    Bundles& bundles() { return bundles_; }
    const Bundles& bundles() const { return bundles_; }

    BundleItemType GetType() const override { return BundleItemType::kList; }
    bool Serialize(std::vector<std::uint8_t>& out) const override;
    // The serialised bundles one after the other, filling the value exactly.
    bool Deserialize(std::span<const std::uint8_t> value) override;
    std::unique_ptr<BundleItem> Clone(int holder_depth) const override;
    bool SameValue(const BundleItem& other) const override;
    // An empty list still counts as one level, so that whether a list fits never depends on
    // whether it happens to be empty.
    int NestedHeight() const override;

private:
    int child_depth_;
    Bundles bundles_;  // no element is null
};

}  // namespace util
