#include "util/BundleItems.h"

#include <algorithm>

#include "util/KBundle.h"

namespace util {

namespace {

template <typename Item>
const Item* AsSame(const BundleItem& other) {
    return dynamic_cast<const Item*>(&other);
}

}  // namespace

std::unique_ptr<BundleItem> MakeEmptyBundleItem(std::uint16_t type, int holder_depth) {
    const bool nested_fits = holder_depth < KBundle::kMaxDepth;
    switch (static_cast<BundleItemType>(type)) {
        case BundleItemType::kInt:
            return std::make_unique<IntItem>();
        case BundleItemType::kInt64:
            return std::make_unique<Int64Item>();
        case BundleItemType::kDouble:
            return std::make_unique<DoubleItem>();
        case BundleItemType::kPtr:
            return std::make_unique<PtrItem>();
        case BundleItemType::kString:
            return std::make_unique<StringItem>();
        case BundleItemType::kBinary:
            return std::make_unique<BinaryItem>();
        case BundleItemType::kBundle:
            return nested_fits ? std::make_unique<NestedBundleItem>(holder_depth + 1) : nullptr;
        case BundleItemType::kList:
            return nested_fits ? std::make_unique<BundleListItem>(holder_depth + 1) : nullptr;
    }
    return nullptr;
}

bool PtrItem::Serialize(std::vector<std::uint8_t>& out) const {
    bundle_wire::AppendLittleEndian(out, live_ != nullptr ? std::uint32_t{0} : foreign_);
    return true;
}

bool PtrItem::Deserialize(std::span<const std::uint8_t> value) {
    if (value.size() != sizeof(foreign_))
        return false;
    live_ = nullptr;
    foreign_ = bundle_wire::ReadLittleEndian<std::uint32_t>(value.data());
    return true;
}

std::unique_ptr<BundleItem> PtrItem::Clone(int) const {
    return std::make_unique<PtrItem>(*this);
}

bool PtrItem::SameValue(const BundleItem& other) const {
    const auto* same = AsSame<PtrItem>(other);
    return same != nullptr && same->live_ == live_ && same->foreign_ == foreign_;
}

bool StringItem::Serialize(std::vector<std::uint8_t>& out) const {
    out.reserve(out.size() + text_.size() * 2);
    for (const char16_t unit : text_)
        bundle_wire::AppendLittleEndian(out, static_cast<std::uint16_t>(unit));
    return true;
}

bool StringItem::Deserialize(std::span<const std::uint8_t> value) {
    text_.clear();
    text_.reserve(value.size() / 2);
    for (std::size_t at = 0; at + 2 <= value.size(); at += 2)
        text_.push_back(
            static_cast<char16_t>(bundle_wire::ReadLittleEndian<std::uint16_t>(&value[at])));
    return true;
}

std::unique_ptr<BundleItem> StringItem::Clone(int) const {
    return std::make_unique<StringItem>(text_);
}

bool StringItem::SameValue(const BundleItem& other) const {
    const auto* same = AsSame<StringItem>(other);
    return same != nullptr && same->text_ == text_;
}

bool BinaryItem::Serialize(std::vector<std::uint8_t>& out) const {
    out.insert(out.end(), bytes_.begin(), bytes_.end());
    return true;
}

bool BinaryItem::Deserialize(std::span<const std::uint8_t> value) {
    bytes_.assign(value.begin(), value.end());
    return true;
}

std::unique_ptr<BundleItem> BinaryItem::Clone(int) const {
    return std::make_unique<BinaryItem>(bytes_);
}

bool BinaryItem::SameValue(const BundleItem& other) const {
    const auto* same = AsSame<BinaryItem>(other);
    return same != nullptr && same->bytes_ == bytes_;
}

NestedBundleItem::NestedBundleItem(int child_depth) : bundle_(KBundle::MakeAtDepth(child_depth)) {}

NestedBundleItem::NestedBundleItem(std::unique_ptr<KBundle> bundle) : bundle_(std::move(bundle)) {}

NestedBundleItem::~NestedBundleItem() = default;

bool NestedBundleItem::Serialize(std::vector<std::uint8_t>& out) const {
    return bundle_->SerializeTo(out);
}

bool NestedBundleItem::Deserialize(std::span<const std::uint8_t> value) {
    return bundle_->Deserialize(value, true);
}

std::unique_ptr<BundleItem> NestedBundleItem::Clone(int holder_depth) const {
    return std::make_unique<NestedBundleItem>(bundle_->CloneAt(holder_depth + 1));
}

bool NestedBundleItem::SameValue(const BundleItem& other) const {
    const auto* same = AsSame<NestedBundleItem>(other);
    return same != nullptr && same->bundle_->SameContent(*bundle_);
}

int NestedBundleItem::NestedHeight() const {
    return bundle_->Height();
}

BundleListItem::BundleListItem(int child_depth) : child_depth_(child_depth) {}

BundleListItem::BundleListItem(int child_depth, Bundles bundles)
    : child_depth_(child_depth), bundles_(std::move(bundles)) {}

BundleListItem::~BundleListItem() = default;

bool BundleListItem::Serialize(std::vector<std::uint8_t>& out) const {
    return std::all_of(bundles_.begin(), bundles_.end(),
                       [&out](const auto& bundle) { return bundle->SerializeTo(out); });
}

bool BundleListItem::Deserialize(std::span<const std::uint8_t> value) {
    bundles_.clear();
    while (!value.empty()) {
        auto bundle = KBundle::MakeAtDepth(child_depth_);
        if (!bundle->Deserialize(value, true))
            return false;
        // A bundle that read successfully has a whole header and a total of 8 to value.size().
        const auto total = bundle_wire::ReadLittleEndian<std::uint32_t>(value.data() + 4);
        value = value.subspan(total);
        bundles_.push_back(std::move(bundle));
    }
    return true;
}

std::unique_ptr<BundleItem> BundleListItem::Clone(int holder_depth) const {
    Bundles copies;
    copies.reserve(bundles_.size());
    for (const auto& bundle : bundles_)
        copies.push_back(bundle->CloneAt(holder_depth + 1));
    return std::make_unique<BundleListItem>(holder_depth + 1, std::move(copies));
}

bool BundleListItem::SameValue(const BundleItem& other) const {
    const auto* same = AsSame<BundleListItem>(other);
    return same != nullptr && std::equal(bundles_.begin(), bundles_.end(), same->bundles_.begin(),
                                         same->bundles_.end(), [](const auto& a, const auto& b) {
                                             return a->SameContent(*b);
                                         });
}

int BundleListItem::NestedHeight() const {
    int height = 1;
    for (const auto& bundle : bundles_)
        height = std::max(height, bundle->Height());
    return height;
}

}  // namespace util
