#include "util/KBundle.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/Text.h"
#include "util/BundleItems.h"
#include "util/BundleWire.h"

namespace util {

namespace {

using bundle_wire::kHeaderSize;
using bundle_wire::kItemHeaderSize;
using bundle_wire::ReadLittleEndian;
using bundle_wire::StoreLittleEndian;

constexpr std::size_t kMaxKeyUnits = std::numeric_limits<std::uint16_t>::max();
constexpr std::size_t kMaxLength = std::numeric_limits<std::uint32_t>::max();

std::optional<std::u16string> StorableKey(std::string_view key) {
    std::u16string units = platform::Utf8ToUtf16(key);
    if (units.size() > kMaxKeyUnits)
        return std::nullopt;
    return units;
}

bool AppendItem(std::vector<std::uint8_t>& out, const std::u16string& key, const BundleItem& item) {
    const std::size_t header_at = out.size();
    out.resize(header_at + kItemHeaderSize);
    for (const char16_t unit : key)
        bundle_wire::AppendLittleEndian(out, static_cast<std::uint16_t>(unit));
    const std::size_t value_at = out.size();
    if (!item.Serialize(out))
        return false;
    const std::size_t value_size = out.size() - value_at;
    if (value_size > kMaxLength)
        return false;
    std::uint8_t* header = out.data() + header_at;
    StoreLittleEndian(header, static_cast<std::uint16_t>(item.GetType()));
    StoreLittleEndian(header + 2, static_cast<std::uint16_t>(key.size()));
    StoreLittleEndian(header + 4, static_cast<std::uint32_t>(value_size));
    return true;
}

// The item bytes after the header, when the header is sound and the checksum matches.
std::optional<std::span<const std::uint8_t>> CheckedBody(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    const auto tag = ReadLittleEndian<std::uint16_t>(bytes.data());
    const auto checksum = ReadLittleEndian<std::uint16_t>(bytes.data() + 2);
    const std::size_t total = ReadLittleEndian<std::uint32_t>(bytes.data() + 4);
    if (tag != bundle_wire::kFormatTag || total < kHeaderSize || total > bytes.size())
        return std::nullopt;
    const auto body = bytes.subspan(kHeaderSize, total - kHeaderSize);
    if (bundle_wire::Checksum(body) != checksum)
        return std::nullopt;
    return body;
}

bool AllDistinctAndPresent(std::span<const KBundle* const> bundles) {
    std::vector<const KBundle*> sorted(bundles.begin(), bundles.end());
    std::sort(sorted.begin(), sorted.end());
    return std::find(sorted.begin(), sorted.end(), nullptr) == sorted.end() &&
           std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

}  // namespace

KBundle::KBundle() : KBundle(1) {}

KBundle::KBundle(int depth) : depth_(depth) {}

KBundle::~KBundle() = default;

std::unique_ptr<KBundle> KBundle::MakeAtDepth(int depth) {
    return std::unique_ptr<KBundle>(new KBundle(depth));
}

std::unique_ptr<KBundle> KBundle::CloneAt(int depth) const {
    auto copy = MakeAtDepth(depth);
    for (const auto& [key, item] : items_)
        copy->items_.emplace(key, item->Clone(depth));
    return copy;
}

int KBundle::Height() const {
    int nested = 0;
    for (const auto& entry : items_)
        nested = std::max(nested, entry.second->NestedHeight());
    return 1 + nested;
}

bool KBundle::Insert(std::string_view key, std::unique_ptr<BundleItem> item) {
    std::optional<std::u16string> stored = StorableKey(key);
    if (!stored)
        return false;
    // The new item is complete before the old one goes: its value may have been copied from
    // the very item it replaces.
    items_.insert_or_assign(std::move(*stored), std::move(item));
    return true;
}

template <typename T>
const T* KBundle::Find(std::string_view key) const {
    const auto found = items_.find(platform::Utf8ToUtf16(key));
    if (found == items_.end())
        return nullptr;
    return dynamic_cast<const T*>(found->second.get());
}

bool KBundle::PutInt(std::string_view key, std::int32_t value) {
    return Insert(key, std::make_unique<IntItem>(value));
}

bool KBundle::PutInt64(std::string_view key, std::int64_t value) {
    return Insert(key, std::make_unique<Int64Item>(value));
}

bool KBundle::PutDouble(std::string_view key, double value) {
    return Insert(key, std::make_unique<DoubleItem>(value));
}

bool KBundle::PutPtr(std::string_view key, void* value) {
    return Insert(key, std::make_unique<PtrItem>(value));
}

bool KBundle::PutString(std::string_view key, std::string_view value) {
    return Insert(key, std::make_unique<StringItem>(platform::Utf8ToUtf16(value)));
}

bool KBundle::PutBinary(std::string_view key, std::span<const std::uint8_t> bytes) {
    return Insert(
        key, std::make_unique<BinaryItem>(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

bool KBundle::PutBundle(std::string_view key, const KBundle& bundle) {
    if (&bundle == this)
        return false;
    const auto* held = Find<NestedBundleItem>(key);
    if (held != nullptr && held->bundle() == &bundle)
        return true;
    if (!FitsBelow(bundle.Height()))
        return false;
    return Insert(key, std::make_unique<NestedBundleItem>(bundle.CloneAt(depth_ + 1)));
}

bool KBundle::PutList(std::string_view key, std::span<const KBundle* const> bundles) {
    if (!AllDistinctAndPresent(bundles))
        return false;
    int height = 1;
    for (const KBundle* bundle : bundles)
        height = std::max(height, bundle->Height());
    if (!FitsBelow(height))
        return false;

    if (BundleListItem* list = FindMutable<BundleListItem>(key)) {
        // The elements left in the old sequence are the ones not given; assigning destroys them.
        list->bundles() = TakeOrCopy(list->bundles(), bundles);
        return true;
    }
    BundleListItem::Bundles none;
    return Insert(key, std::make_unique<BundleListItem>(depth_ + 1, TakeOrCopy(none, bundles)));
}

std::vector<std::unique_ptr<KBundle>> KBundle::TakeOrCopy(
    std::vector<std::unique_ptr<KBundle>>& elements, std::span<const KBundle* const> bundles) {
    const auto position = [&elements](const KBundle* bundle) {
        return std::find_if(elements.begin(), elements.end(),
                            [bundle](const auto& element) { return element.get() == bundle; });
    };
    // Every copy is made before any element moves: a given bundle may be this bundle or lie
    // inside one of the elements.
    BundleListItem::Bundles next;
    next.reserve(bundles.size());
    for (const KBundle* bundle : bundles)
        next.push_back(position(bundle) == elements.end() ? bundle->CloneAt(depth_ + 1) : nullptr);
    for (std::size_t i = 0; i < bundles.size(); ++i) {
        if (next[i] == nullptr)
            next[i] = std::move(*position(bundles[i]));
    }
    return next;
}

bool KBundle::AddToList(std::string_view key, const KBundle& bundle) {
    if (!FitsBelow(bundle.Height()))
        return false;
    std::unique_ptr<KBundle> copy = bundle.CloneAt(depth_ + 1);
    if (BundleListItem* list = FindMutable<BundleListItem>(key)) {
        list->bundles().push_back(std::move(copy));
        return true;
    }
    BundleListItem::Bundles bundles;
    bundles.push_back(std::move(copy));
    return Insert(key, std::make_unique<BundleListItem>(depth_ + 1, std::move(bundles)));
}

bool KBundle::RemoveFromList(std::string_view key, const KBundle* bundle) {
    BundleListItem* list = FindMutable<BundleListItem>(key);
    if (list == nullptr || bundle == nullptr)
        return false;
    return std::erase_if(list->bundles(),
                         [bundle](const auto& element) { return element.get() == bundle; }) > 0;
}

bool KBundle::RemoveFromListAt(std::string_view key, std::size_t index) {
    BundleListItem* list = FindMutable<BundleListItem>(key);
    if (list == nullptr || index >= list->bundles().size())
        return false;
    list->bundles().erase(list->bundles().begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::int32_t KBundle::GetInt(std::string_view key, std::int32_t fallback) const {
    const auto* item = Find<IntItem>(key);
    return item != nullptr ? item->value() : fallback;
}

std::int64_t KBundle::GetInt64(std::string_view key, std::int64_t fallback) const {
    const auto* item = Find<Int64Item>(key);
    return item != nullptr ? item->value() : fallback;
}

double KBundle::GetDouble(std::string_view key, double fallback) const {
    const auto* item = Find<DoubleItem>(key);
    return item != nullptr ? item->value() : fallback;
}

void* KBundle::GetPtr(std::string_view key) const {
    const auto* item = Find<PtrItem>(key);
    return item != nullptr ? item->live_pointer() : nullptr;
}

std::string KBundle::GetString(std::string_view key, std::string_view fallback) const {
    const auto* item = Find<StringItem>(key);
    return item != nullptr ? platform::Utf16ToUtf8(item->text()) : std::string(fallback);
}

const std::vector<std::uint8_t>* KBundle::GetBinary(std::string_view key) const {
    const auto* item = Find<BinaryItem>(key);
    return item != nullptr ? &item->bytes() : nullptr;
}

KBundle* KBundle::GetBundle(std::string_view key) {
    return const_cast<KBundle*>(std::as_const(*this).GetBundle(key));
}

const KBundle* KBundle::GetBundle(std::string_view key) const {
    const auto* item = Find<NestedBundleItem>(key);
    return item != nullptr ? item->bundle() : nullptr;
}

std::vector<KBundle*> KBundle::GetList(std::string_view key) {
    std::vector<KBundle*> elements;
    for (const KBundle* element : std::as_const(*this).GetList(key))
        elements.push_back(const_cast<KBundle*>(element));
    return elements;
}

std::vector<const KBundle*> KBundle::GetList(std::string_view key) const {
    std::vector<const KBundle*> elements;
    if (const auto* list = Find<BundleListItem>(key)) {
        for (const auto& element : list->bundles())
            elements.push_back(element.get());
    }
    return elements;
}

KBundle* KBundle::GetListItem(std::string_view key, std::size_t index) {
    return const_cast<KBundle*>(std::as_const(*this).GetListItem(key, index));
}

const KBundle* KBundle::GetListItem(std::string_view key, std::size_t index) const {
    const auto* list = Find<BundleListItem>(key);
    if (list == nullptr || index >= list->bundles().size())
        return nullptr;
    return list->bundles()[index].get();
}

bool KBundle::HasKey(std::string_view key) const {
    return items_.contains(platform::Utf8ToUtf16(key));
}

void KBundle::Clear() {
    items_.clear();
}

bool KBundle::Remove(std::string_view key) {
    return items_.erase(platform::Utf8ToUtf16(key)) > 0;
}

bool KBundle::CopyTo(KBundle& target) const {
    if (!target.FitsBelow(Height() - 1))
        return false;
    // All copies first: `target` may be this bundle or one inside it.
    std::vector<std::pair<std::u16string, std::unique_ptr<BundleItem>>> copies;
    copies.reserve(items_.size());
    for (const auto& [key, item] : items_)
        copies.emplace_back(key, item->Clone(target.depth_));
    for (auto& [key, item] : copies) {
        if (!target.items_.emplace(std::move(key), std::move(item)).second)
            return false;
    }
    return true;
}

bool KBundle::Deserialize(std::span<const std::uint8_t> bytes, bool clear) {
    // The cleared items live until the end of the call: `bytes` may point into one of them.
    ItemMap cleared;
    if (clear)
        cleared.swap(items_);
    const auto body = CheckedBody(bytes);
    return body.has_value() && ReadItems(*body);
}

bool KBundle::ReadItems(std::span<const std::uint8_t> body) {
    while (!body.empty()) {
        std::size_t used = 0;
        if (!ReadItem(body, used))
            return false;
        body = body.subspan(used);
    }
    return true;
}

bool KBundle::ReadItem(std::span<const std::uint8_t> rest, std::size_t& used) {
    if (rest.size() < kItemHeaderSize)
        return false;
    const auto type = ReadLittleEndian<std::uint16_t>(rest.data());
    const std::size_t key_units = ReadLittleEndian<std::uint16_t>(rest.data() + 2);
    const std::size_t value_size = ReadLittleEndian<std::uint32_t>(rest.data() + 4);
    // Sizes are added in size_t, where lengths from 16- and 32-bit fields cannot wrap.
    const std::size_t key_size = key_units * 2;
    if (key_size + value_size > rest.size() - kItemHeaderSize)
        return false;

    std::u16string key(key_units, u'\0');
    for (std::size_t i = 0; i < key_units; ++i)
        key[i] = static_cast<char16_t>(
            ReadLittleEndian<std::uint16_t>(rest.data() + kItemHeaderSize + 2 * i));
    std::unique_ptr<BundleItem> item = MakeEmptyBundleItem(type, depth_);
    if (item == nullptr || !item->Deserialize(rest.subspan(kItemHeaderSize + key_size, value_size)))
        return false;
    if (!items_.emplace(std::move(key), std::move(item)).second)
        return false;
    used = kItemHeaderSize + key_size + value_size;
    return true;
}

std::span<const std::uint8_t> KBundle::Serialize() {
    buffer_.clear();
    if (!SerializeTo(buffer_))
        return {};
    return buffer_;
}

bool KBundle::SerializeTo(std::vector<std::uint8_t>& out) const {
    const std::size_t start = out.size();
    out.resize(start + kHeaderSize);
    for (const auto& [key, item] : items_) {
        if (!AppendItem(out, key, *item)) {
            out.resize(start);
            return false;
        }
    }
    const std::size_t total = out.size() - start;
    if (total > kMaxLength) {
        out.resize(start);
        return false;
    }
    const auto body = std::span<const std::uint8_t>(out).subspan(start + kHeaderSize);
    StoreLittleEndian(out.data() + start, bundle_wire::kFormatTag);
    StoreLittleEndian(out.data() + start + 2, bundle_wire::Checksum(body));
    StoreLittleEndian(out.data() + start + 4, static_cast<std::uint32_t>(total));
    return true;
}

bool KBundle::SameContent(const KBundle& other) const {
    return std::equal(items_.begin(), items_.end(), other.items_.begin(), other.items_.end(),
                      [](const auto& a, const auto& b) {
                          return a.first == b.first && a.second->SameValue(*b.second);
                      });
}

}  // namespace util
