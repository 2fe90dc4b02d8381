// What a bundle holds, how puts, lists and copies change it, and that everything it can hold
// comes back the same from its serialised form.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "util/KBundle.h"

namespace util {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

std::unique_ptr<KBundle> Reread(KBundle& bundle) {
    auto reread = std::make_unique<KBundle>();
    EXPECT_TRUE(reread->Deserialize(bundle.Serialize()));
    return reread;
}

std::unique_ptr<KBundle> Named(const std::string& name) {
    auto bundle = std::make_unique<KBundle>();
    bundle->PutString("name", name);
    return bundle;
}

Names ListNames(const KBundle& bundle, std::string_view key) {
    Names names;
    for (const KBundle* element : bundle.GetList(key))
        names.push_back(element->GetString("name"));
    return names;
}

TEST(BundleTest, EveryKindRoundTrips) {
    const Bytes blob = {0x00, 0x80, 0xFF};
    KBundle nested;
    nested.PutDouble("ratio", -0.0);
    nested.AddToList("items", *Named("first"));
    nested.AddToList("items", KBundle());

    KBundle bundle;
    bundle.PutInt("int", std::numeric_limits<std::int32_t>::min());
    bundle.PutInt64("int64", std::numeric_limits<std::int64_t>::max());
    bundle.PutDouble("double", 1.0 / 3.0);
    bundle.PutDouble("nan", std::nan(""));
    bundle.PutString("text", "\xE6\x96\x87\xE4\xBB\xB6 \xF0\x9F\x98\x80");
    bundle.PutString("", "empty key");
    bundle.PutBinary("blob", blob);
    bundle.PutBinary("none", Bytes{});
    bundle.PutBundle("nested", nested);
    bundle.PutList("empty list", {});

    const auto reread = Reread(bundle);
    EXPECT_TRUE(reread->SameContent(bundle));
    EXPECT_EQ(reread->GetInt("int"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(reread->GetInt64("int64"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(reread->GetDouble("double"), 1.0 / 3.0);
    EXPECT_TRUE(std::isnan(reread->GetDouble("nan")));
    EXPECT_EQ(reread->GetString("text"), "\xE6\x96\x87\xE4\xBB\xB6 \xF0\x9F\x98\x80");
    EXPECT_EQ(reread->GetString(""), "empty key");
    ASSERT_NE(reread->GetBinary("blob"), nullptr);
    EXPECT_EQ(*reread->GetBinary("blob"), blob);
    ASSERT_NE(reread->GetBinary("none"), nullptr);
    const KBundle* reread_nested = reread->GetBundle("nested");
    ASSERT_NE(reread_nested, nullptr);
    EXPECT_TRUE(std::signbit(reread_nested->GetDouble("ratio", 1.0)));
    EXPECT_EQ(ListNames(*reread_nested, "items"), (Names{"first", ""}));
    EXPECT_TRUE(reread->HasKey("empty list"));
}

TEST(BundleTest, SameContentSeesEveryDifference) {
    KBundle base;
    base.PutInt("a", 1);
    base.PutBundle("b", KBundle());
    const std::function<void(KBundle&)> changes[] = {
        [](KBundle& b) { b.PutInt("a", 2); },
        [](KBundle& b) { b.PutInt64("a", 1); },
        [](KBundle& b) { b.PutInt("z", 0); },
        [](KBundle& b) { b.Remove("a"); },
        [](KBundle& b) { b.GetBundle("b")->PutInt("deep", 0); },
        [](KBundle& b) { b.PutList("b", {}); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        KBundle changed;
        ASSERT_TRUE(base.CopyTo(changed));
        ASSERT_TRUE(changed.SameContent(base)) << "change " << i;
        changes[i](changed);
        EXPECT_FALSE(changed.SameContent(base)) << "change " << i;
        EXPECT_FALSE(base.SameContent(changed)) << "change " << i;
    }
}

TEST(BundleTest, GettersAnswerOnlyForTheirOwnKind) {
    KBundle bundle;
    bundle.PutInt("k", 5);
    bundle.PutString("k", "five");
    EXPECT_EQ(bundle.GetInt("k", -9), -9);
    EXPECT_EQ(bundle.GetString("k"), "five");
    EXPECT_EQ(bundle.GetInt64("k", -9), -9);
    EXPECT_EQ(bundle.GetDouble("k", 2.5), 2.5);
    EXPECT_EQ(bundle.GetPtr("k"), nullptr);
    EXPECT_EQ(bundle.GetBinary("k"), nullptr);
    EXPECT_EQ(bundle.GetBundle("k"), nullptr);
    EXPECT_EQ(bundle.GetListItem("k", 0), nullptr);
    EXPECT_EQ(bundle.GetString("K", "case-sensitive"), "case-sensitive");
    EXPECT_TRUE(bundle.Remove("k"));
    EXPECT_FALSE(bundle.Remove("k"));
}

TEST(BundleTest, LivePointerStaysInProcessOnly) {
    int target = 0;
    KBundle bundle;
    bundle.PutPtr("p", &target);
    KBundle copy;
    ASSERT_TRUE(bundle.CopyTo(copy));
    EXPECT_EQ(copy.GetPtr("p"), &target);

    const auto reread = Reread(bundle);
    EXPECT_TRUE(reread->HasKey("p"));
    EXPECT_EQ(reread->GetPtr("p"), nullptr);
}

TEST(BundleTest, KeysMustFitTheirLengthField) {
    const std::string longest(0xFFFF, 'k');
    KBundle bundle;
    EXPECT_FALSE(bundle.PutInt(longest + "k", 1));
    EXPECT_FALSE(bundle.AddToList(longest + "k", KBundle()));
    EXPECT_FALSE(bundle.HasKey(longest + "k"));
    ASSERT_TRUE(bundle.PutInt(longest, 1));
    EXPECT_EQ(Reread(bundle)->GetInt(longest), 1);
}

TEST(BundleTest, PutsStoreSnapshots) {
    KBundle source;
    source.PutInt("v", 1);
    KBundle bundle;
    EXPECT_FALSE(bundle.PutBundle("self", bundle));
    ASSERT_TRUE(bundle.PutBundle("b", source));
    source.PutInt("v", 2);
    KBundle* held = bundle.GetBundle("b");
    EXPECT_EQ(held->GetInt("v"), 1);
    EXPECT_TRUE(bundle.PutBundle("b", *held));
    EXPECT_EQ(bundle.GetBundle("b"), held);

    // Values copied out of the very item they replace.
    bundle.PutBinary("blob", Bytes(64, 0x5A));
    ASSERT_TRUE(bundle.PutBinary("blob", *bundle.GetBinary("blob")));
    EXPECT_EQ(*bundle.GetBinary("blob"), Bytes(64, 0x5A));
    held->PutBundle("inner", source);
    ASSERT_TRUE(bundle.PutBundle("b", *held->GetBundle("inner")));
    held = bundle.GetBundle("b");
    EXPECT_EQ(held->GetInt("v"), 2);

    // A bundle inside this one takes a copy of this one as it was.
    ASSERT_TRUE(held->PutBundle("outer", bundle));
    EXPECT_FALSE(held->GetBundle("outer")->GetBundle("b")->HasKey("outer"));
    ASSERT_TRUE(held->AddToList("outer list", bundle));
    EXPECT_TRUE(held->GetListItem("outer list", 0)->GetBundle("b")->HasKey("outer"));
}

TEST(BundleTest, PutListKeepsGivenElementsAndCopiesTheRest) {
    KBundle bundle;
    const auto a = Named("a");
    const auto b = Named("b");
    const KBundle* first[] = {a.get(), b.get()};
    ASSERT_TRUE(bundle.PutList("l", first));
    KBundle* stored_a = bundle.GetListItem("l", 0);
    KBundle* stored_b = bundle.GetListItem("l", 1);
    EXPECT_NE(stored_a, a.get());

    const auto c = Named("c");
    const KBundle* second[] = {c.get(), stored_b};
    ASSERT_TRUE(bundle.PutList("l", second));
    EXPECT_EQ(ListNames(bundle, "l"), (Names{"c", "b"}));
    EXPECT_EQ(bundle.GetListItem("l", 1), stored_b);
    EXPECT_FALSE(bundle.RemoveFromList("l", stored_a));

    // The list itself, and an element's inner bundle while that element goes away.
    stored_b->PutBundle("child", *Named("child"));
    const KBundle* third[] = {stored_b->GetBundle("child"), &bundle};
    ASSERT_TRUE(bundle.PutList("l", third));
    EXPECT_EQ(ListNames(bundle, "l"), (Names{"child", ""}));
    EXPECT_EQ(ListNames(*bundle.GetListItem("l", 1), "l"), (Names{"c", "b"}));
}

TEST(BundleTest, PutListRefusesNullAndRepeatedBundles) {
    KBundle bundle;
    bundle.AddToList("l", *Named("a"));
    KBundle* stored = bundle.GetListItem("l", 0);
    const auto outside = Named("x");
    const std::vector<std::vector<const KBundle*>> refused = {
        {stored, stored},
        {outside.get(), outside.get()},
        {stored, outside.get(), stored},
        {outside.get(), nullptr},
    };
    for (const auto& bundles : refused) {
        EXPECT_FALSE(bundle.PutList("l", bundles)) << bundles.size() << " bundles";
        EXPECT_EQ(bundle.GetListItem("l", 0), stored);
        EXPECT_EQ(ListNames(bundle, "l"), (Names{"a"}));
        EXPECT_FALSE(bundle.PutList("fresh", bundles));
        EXPECT_FALSE(bundle.HasKey("fresh"));
    }
}

TEST(BundleTest, ListEditing) {
    KBundle bundle;
    bundle.PutInt("l", 9);
    ASSERT_TRUE(bundle.AddToList("l", *Named("a")));
    ASSERT_TRUE(bundle.AddToList("l", *Named("b")));
    ASSERT_TRUE(bundle.AddToList("l", *bundle.GetListItem("l", 0)));
    EXPECT_EQ(ListNames(bundle, "l"), (Names{"a", "b", "a"}));
    EXPECT_EQ(bundle.GetListItem("l", 3), nullptr);

    EXPECT_TRUE(bundle.RemoveFromList("l", bundle.GetListItem("l", 0)));
    const auto outside = Named("b");
    EXPECT_FALSE(bundle.RemoveFromList("l", outside.get()));
    EXPECT_FALSE(bundle.RemoveFromList("none", outside.get()));
    EXPECT_FALSE(bundle.RemoveFromListAt("l", 2));
    EXPECT_TRUE(bundle.RemoveFromListAt("l", 1));
    EXPECT_EQ(ListNames(bundle, "l"), (Names{"b"}));
    bundle.PutInt("n", 1);
    EXPECT_FALSE(bundle.RemoveFromListAt("n", 0));
}

TEST(BundleTest, CopyToAddsWithoutClearing) {
    KBundle source;
    source.PutInt("a", 1);
    source.PutInt("b", 2);
    source.PutInt("c", 3);
    KBundle colliding;
    colliding.PutString("b", "mine");
    EXPECT_FALSE(source.CopyTo(colliding));
    EXPECT_EQ(colliding.GetInt("a"), 1);
    EXPECT_EQ(colliding.GetString("b"), "mine");
    EXPECT_FALSE(colliding.HasKey("c"));
    EXPECT_FALSE(source.CopyTo(source));

    source.PutBundle("inner", KBundle());
    KBundle* inner = source.GetBundle("inner");
    ASSERT_TRUE(source.CopyTo(*inner));
    EXPECT_EQ(inner->GetInt("c"), 3);
    EXPECT_FALSE(inner->GetBundle("inner")->HasKey("c"));
}

TEST(BundleTest, NestingStopsAtTheDepthCap) {
    auto deepest = std::make_unique<KBundle>();
    for (int level = 1; level < KBundle::kMaxDepth; ++level) {
        auto outer = std::make_unique<KBundle>();
        ASSERT_TRUE(outer->PutBundle("n", *deepest)) << level;
        deepest = std::move(outer);
    }
    EXPECT_TRUE(Reread(*deepest)->SameContent(*deepest));

    KBundle top;
    EXPECT_FALSE(top.PutBundle("n", *deepest));
    EXPECT_FALSE(top.AddToList("l", *deepest));
    const KBundle* list[] = {deepest.get()};
    EXPECT_FALSE(top.PutList("l", list));
    EXPECT_TRUE(top.SameContent(KBundle()));

    // The cap counts from the outermost bundle, not from the one put into.
    KBundle* innermost = deepest.get();
    while (innermost->GetBundle("n") != nullptr)
        innermost = innermost->GetBundle("n");
    EXPECT_FALSE(innermost->PutBundle("n", KBundle()));
    EXPECT_FALSE(innermost->PutList("l", {}));
    KBundle empty_list;
    empty_list.PutList("l", {});
    EXPECT_FALSE(empty_list.CopyTo(*innermost));
    EXPECT_TRUE(innermost->PutInt("plain", 1));
}

TEST(BundleTest, SerializeToAppends) {
    KBundle bundle;
    bundle.PutInt("a", 1);
    const std::span<const std::uint8_t> serialized = bundle.Serialize();
    const Bytes alone(serialized.begin(), serialized.end());
    Bytes appended = {0xAA};
    ASSERT_TRUE(bundle.SerializeTo(appended));
    EXPECT_EQ(appended.front(), 0xAA);
    EXPECT_EQ(Bytes(appended.begin() + 1, appended.end()), alone);
}

}  // namespace
}  // namespace util
