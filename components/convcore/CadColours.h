#pragma once

#include <cstdint>

namespace convcore {

// The 255 colours of the CAD colour index as 0xRRGGBB. Index 7 is white here; it draws in
// whichever of black and white stands out on the background. Out-of-range indexes give 7.
std::uint32_t AciColour(int index);

// The index whose colour is closest to `rgb`, leaving out 7.
int NearestAci(std::uint32_t rgb);

}  // namespace convcore
