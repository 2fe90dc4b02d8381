#pragma once

#include <cstdint>

// The C runtime generator that switch decisions were always drawn with: seeding with the same
// value gives the same sequence, so decisions follow the same arithmetic on every platform
// (two switches drawn in the same second share their number).
class MsvcRandom {
public:
    explicit MsvcRandom(std::uint32_t seed) : state_(seed) {}

    // 0 to 32767.
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};
