#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// The font families a Word document names, and the face and size most of its body text uses,
// which become the Normal style.
class WordFonts {
public:
    // `body` text counts towards the Normal style; every run's family goes into the font table.
    void Note(const TextRun& run, bool body);
    std::string NormalFamily() const;
    // Half-points, Word's unit for font sizes.
    int NormalHalfPoints() const;
    std::string TablePartXml() const;

private:
    std::pair<std::string, int> MostCommon() const;

    std::set<std::string> families_;
    std::map<std::pair<std::string, int>, long> characters_;  // (family, half-points) -> count
};

// A font size in half-points within what Word accepts.
int HalfPoints(double points);

}  // namespace reconstruct
