#include "convcore/CadColours.h"

#include <array>
#include <cmath>

namespace convcore {
namespace {

constexpr std::uint32_t Rgb(int red, int green, int blue) {
    return static_cast<std::uint32_t>((red << 16) | (green << 8) | blue);
}

// Indexes 10..249 run through 24 hues in steps of 15 degrees, ten shades each: five
// brightness levels, every one in a full and in a half-saturated form.
std::uint32_t HueShade(int index) {
    constexpr double kBrightness[] = {1.0, 0.65, 0.5, 0.3, 0.15};
    const int hue = (index - 10) / 10;
    const int shade = (index - 10) % 10;
    const double value = kBrightness[shade / 2];
    const bool pale = shade % 2 == 1;
    // The full-saturation colour of the hue on the colour wheel, channels 0..1.
    const double sector = hue * 15.0 / 60.0;
    const int part = static_cast<int>(sector);
    const double rise = sector - part;
    double channel[3] = {0, 0, 0};
    switch (part) {
        case 0:
            channel[0] = 1;
            channel[1] = rise;
            break;
        case 1:
            channel[0] = 1 - rise;
            channel[1] = 1;
            break;
        case 2:
            channel[1] = 1;
            channel[2] = rise;
            break;
        case 3:
            channel[1] = 1 - rise;
            channel[2] = 1;
            break;
        case 4:
            channel[0] = rise;
            channel[2] = 1;
            break;
        default:
            channel[0] = 1;
            channel[2] = 1 - rise;
            break;
    }
    int out[3];
    for (int i = 0; i < 3; ++i) {
        const double mixed = pale ? 0.5 + 0.5 * channel[i] : channel[i];
        out[i] = static_cast<int>(std::floor(255 * value * mixed));
    }
    return Rgb(out[0], out[1], out[2]);
}

std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    const std::uint32_t basic[] = {Rgb(255, 0, 0),     Rgb(255, 255, 0),   Rgb(0, 255, 0),
                                   Rgb(0, 255, 255),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
                                   Rgb(255, 255, 255), Rgb(128, 128, 128), Rgb(192, 192, 192)};
    for (int i = 1; i <= 9; ++i)
        table[static_cast<std::size_t>(i)] = basic[i - 1];
    for (int i = 10; i <= 249; ++i)
        table[static_cast<std::size_t>(i)] = HueShade(i);
    const int greys[] = {51, 80, 105, 130, 190, 255};
    for (int i = 250; i <= 255; ++i) {
        const int grey = greys[i - 250];
        table[static_cast<std::size_t>(i)] = Rgb(grey, grey, grey);
    }
    return table;
}

const std::array<std::uint32_t, 256>& Table() {
    static const std::array<std::uint32_t, 256> table = MakeTable();
    return table;
}

int Channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

}  // namespace

std::uint32_t AciColour(int index) {
    return Table()[static_cast<std::size_t>(index >= 1 && index <= 255 ? index : 7)];
}

int NearestAci(std::uint32_t rgb) {
    int best = 1;
    long best_distance = -1;
    for (int index = 1; index <= 255; ++index) {
        if (index == 7)
            continue;
        const std::uint32_t candidate = Table()[static_cast<std::size_t>(index)];
        long distance = 0;
        for (const int shift : {16, 8, 0}) {
            const long delta = Channel(rgb, shift) - Channel(candidate, shift);
            distance += delta * delta;
        }
        if (best_distance < 0 || distance < best_distance) {
            best = index;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace convcore
