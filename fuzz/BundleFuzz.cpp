// Arbitrary bytes as a serialised bundle: reading must never go out of bounds, and whatever was
// read (all of it, or the items before a failure) must write out and read back the same.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "util/KBundle.h"

namespace {

using util::KBundle;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckRoundTrip(const KBundle& bundle) {
    std::vector<std::uint8_t> first;
    Require(bundle.SerializeTo(first));
    KBundle reread;
    Require(reread.Deserialize(first));
    Require(reread.SameContent(bundle));
    std::vector<std::uint8_t> second;
    Require(reread.SerializeTo(second));
    Require(second == first);
}

void CheckCopy(const KBundle& bundle) {
    KBundle copy;
    Require(bundle.CopyTo(copy));
    Require(copy.SameContent(bundle));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KBundle bundle;
    bundle.Deserialize(std::span<const std::uint8_t>(data, size));
    CheckRoundTrip(bundle);
    CheckCopy(bundle);
    return 0;
}
