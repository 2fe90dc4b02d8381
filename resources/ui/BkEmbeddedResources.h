#pragma once

#include <cstddef>
#include <string_view>

namespace BkWin {

// One resource compiled into the binary. `bytes` stays valid for the life of the process and
// is followed by one NUL byte that `size` does not count.
struct BkEmbeddedResource {
    std::string_view type;  // "xml" or "png", lower case
    int id;
    const unsigned char* bytes;
    std::size_t size;
};

// The table generated from resources/ui at build time; `count` receives its length.
const BkEmbeddedResource* BkEmbeddedResources(std::size_t* count);

}  // namespace BkWin
