#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A typed key/value record with a compact binary form, for passing a record through a byte
// buffer or to another process.
//
// Keys and strings are UTF-8 here and UTF-16 in the binary form; keys compare case-sensitively
// and are kept in UTF-16 code-unit order, which is also the order of the serialised items.
//
// Binary form, all integers little-endian: an 8-byte header (format tag 1; the 16-bit wrapping
// sum of every following byte taken as signed; the total length, header included), then per
// item: type number (2 bytes), key length in UTF-16 units (2), value length in bytes (4), the
// key, the value.
//
// Rules that keep outside bytes and odd calls harmless:
// - Deserialize refuses a total below 8 or beyond the bytes given, item headers, keys or values
//   that run past the total, unknown type numbers, repeated keys and nesting deeper than
//   kMaxDepth; it never reads outside the bytes given.
// - Nested bundles and lists never go deeper than kMaxDepth levels (the outermost bundle is
//   level 1): a put or copy that would is refused, so whatever a bundle holds can be written
//   out and read back.
// - A key longer than 65535 UTF-16 units does not fit its length field: the put is refused.
// - Pointers: PutPtr keeps the pointer for this process and for in-process copies, but writes
//   it out as 0; a pointer value read from bytes is kept as a number (and written back as it
//   was) but GetPtr returns null for it, so a pointer from bytes is never dereferenced.
// - Bundles are never shared: Put*, AddToList and CopyTo store copies, and the bundles a
//   bundle holds are owned by it. A bundle is not copyable or movable, because lists tell their
//   elements apart by identity.
//
// Pointers and references handed out point into the bundle and stay valid until their item is
// replaced or removed; a Serialize result stays valid until the next Serialize.
//
// Not thread-safe: one thread at a time.
namespace util {

class BundleItem;

class KBundle {
public:
    static constexpr int kMaxDepth = 64;

    KBundle();
    ~KBundle();
    KBundle(const KBundle&) = delete;
    KBundle& operator=(const KBundle&) = delete;

    // Each replaces whatever the key held; false only when the key is too long.
    bool PutInt(std::string_view key, std::int32_t value);
    bool PutInt64(std::string_view key, std::int64_t value);
    bool PutDouble(std::string_view key, double value);
    bool PutPtr(std::string_view key, void* value);
    bool PutString(std::string_view key, std::string_view value);
    bool PutBinary(std::string_view key, std::span<const std::uint8_t> bytes);

    // Stores a copy. False for the bundle itself or when it would nest too deep; true without
    // change when the key already holds that very bundle.
    bool PutBundle(std::string_view key, const KBundle& bundle);
    // Makes the key hold a list of the given bundles in the given order. When the key already
    // holds a list, a given bundle that is one of its elements stays that element (pointers to
    // it remain valid), the others are copied, and elements not given are destroyed. Refused,
    // with nothing changed, for a null or repeated bundle or when it would nest too deep.
    bool PutList(std::string_view key, std::span<const KBundle* const> bundles);
    // Appends a copy; a key holding no list gets a one-element list.
    bool AddToList(std::string_view key, const KBundle& bundle);
    // Destroy the element that is that very bundle, or the one at `index`; false when the list
    // or the element does not exist.
    bool RemoveFromList(std::string_view key, const KBundle* bundle);
    bool RemoveFromListAt(std::string_view key, std::size_t index);

    // The getters answer only when the key holds an item of their kind; otherwise the fallback,
    // or null, or an empty list.
    std::int32_t GetInt(std::string_view key, std::int32_t fallback = 0) const;
    std::int64_t GetInt64(std::string_view key, std::int64_t fallback = 0) const;
    double GetDouble(std::string_view key, double fallback = 0.0) const;
    void* GetPtr(std::string_view key) const;
    std::string GetString(std::string_view key, std::string_view fallback = {}) const;
    const std::vector<std::uint8_t>* GetBinary(std::string_view key) const;
    KBundle* GetBundle(std::string_view key);
    const KBundle* GetBundle(std::string_view key) const;
    std::vector<KBundle*> GetList(std::string_view key);
    std::vector<const KBundle*> GetList(std::string_view key) const;
    KBundle* GetListItem(std::string_view key, std::size_t index);
    const KBundle* GetListItem(std::string_view key, std::size_t index) const;

    bool HasKey(std::string_view key) const;
    void Clear();
    // False when there was nothing under the key.
    bool Remove(std::string_view key);

    // Adds copies of this bundle's items to `target` without clearing it, in key order; stops
    // with false at the first key `target` already holds, keeping what it added before. Also
    // false, with nothing added, when the copy would nest too deep.
    bool CopyTo(KBundle& target) const;

    // Reads a serialised bundle, clearing first when `clear` is set. On failure the items read
    // before the failing one stay.
    bool Deserialize(std::span<const std::uint8_t> bytes, bool clear = true);
    // The serialised form, kept in the bundle; empty when it does not fit the 32-bit lengths.
    std::span<const std::uint8_t> Serialize();
    // Appends the serialised form to `out`; false, with `out` unchanged, when it does not fit.
    bool SerializeTo(std::vector<std::uint8_t>& out) const;

    // Same keys with same kinds and values, nested bundles compared the same way; doubles
    // compare bitwise, pointers by what they hold.
    bool SameContent(const KBundle& other) const;

private:
    friend class NestedBundleItem;
    friend class BundleListItem;
    using ItemMap = std::map<std::u16string, std::unique_ptr<BundleItem>>;

    explicit KBundle(int depth);
    static std::unique_ptr<KBundle> MakeAtDepth(int depth);
    std::unique_ptr<KBundle> CloneAt(int depth) const;
    // Levels from this bundle down to its deepest nested bundle, this one included.
    int Height() const;
    bool FitsBelow(int child_height) const { return depth_ + child_height <= kMaxDepth; }

    bool Insert(std::string_view key, std::unique_ptr<BundleItem> item);
    // The given bundles in order: each one found in `elements` is moved out of it, every other
    // one copied. The bundles are distinct and not null.
    std::vector<std::unique_ptr<KBundle>> TakeOrCopy(
        std::vector<std::unique_ptr<KBundle>>& elements, std::span<const KBundle* const> bundles);
    template <typename T>
    const T* Find(std::string_view key) const;
    template <typename T>
    T* FindMutable(std::string_view key) {
        return const_cast<T*>(std::as_const(*this).Find<T>(key));
    }
    bool ReadItems(std::span<const std::uint8_t> body);
    bool ReadItem(std::span<const std::uint8_t> rest, std::size_t& used);

    const int depth_;                   // nesting level: 1 for a bundle made by a caller
    ItemMap items_;                     // used by one thread at a time, like the whole bundle
    std::vector<std::uint8_t> buffer_;  // the latest Serialize result
};

}  // namespace util
