#pragma once

#include <string>
#include <utility>
#include <vector>

// DXF text for tests, written as group code / value pairs.
namespace dxftest {

using Pairs = std::vector<std::pair<int, std::string>>;

inline std::string Lines(const Pairs& pairs) {
    std::string text;
    for (const auto& [code, value] : pairs)
        text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

}  // namespace dxftest
