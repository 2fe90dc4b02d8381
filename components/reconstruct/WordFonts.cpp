#include "reconstruct/WordFonts.h"

#include <algorithm>
#include <cmath>

#include "reconstruct/OoxmlPackage.h"

namespace reconstruct {
namespace {

// A document with more distinct faces or sizes than this is hostile, not typeset.
constexpr std::size_t kMaxFamilies = 512;
constexpr std::size_t kMaxLooks = 4096;
constexpr int kDefaultHalfPoints = 22;
constexpr char kDefaultFamily[] = "Liberation Serif";

}  // namespace

int HalfPoints(double points) {
    if (!(points > 0))
        return kDefaultHalfPoints;
    return static_cast<int>(std::lround(std::clamp(points, 1.0, 1638.0) * 2));
}

void WordFonts::Note(const TextRun& run, bool body) {
    if (run.font.family.empty() || run.text.empty())
        return;
    if (families_.size() < kMaxFamilies)
        families_.insert(run.font.family);
    if (!body)
        return;
    const std::pair<std::string, int> look{run.font.family, HalfPoints(run.font.size)};
    const auto known = characters_.find(look);
    if (known != characters_.end())
        known->second += static_cast<long>(run.text.size());
    else if (characters_.size() < kMaxLooks)
        characters_.emplace(look, static_cast<long>(run.text.size()));
}

std::pair<std::string, int> WordFonts::MostCommon() const {
    const auto most =
        std::max_element(characters_.begin(), characters_.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most == characters_.end())
        return {kDefaultFamily, kDefaultHalfPoints};
    return most->first;
}

std::string WordFonts::NormalFamily() const {
    return MostCommon().first;
}

int WordFonts::NormalHalfPoints() const {
    return MostCommon().second;
}

std::string WordFonts::TablePartXml() const {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:fonts "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">";
    std::set<std::string> named = families_;
    named.insert(NormalFamily());
    for (const std::string& family : named)
        xml += "<w:font w:name=\"" + XmlEscape(family) + "\"/>";
    return xml + "</w:fonts>";
}

}  // namespace reconstruct
