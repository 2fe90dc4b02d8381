#include "reconstruct/WordNumbering.h"

#include <algorithm>
#include <string_view>

#include "reconstruct/OoxmlPackage.h"

namespace reconstruct {
namespace {

// Definitions and instances a hostile document could multiply without end.
constexpr std::size_t kMaxDefinitions = 256;
constexpr std::size_t kMaxInstances = 20000;

constexpr std::string_view kChineseNumerals = "一二三四五六七八九十百千零〇";

bool IsCounting(ListKind kind, std::string_view character) {
    if (character.size() > 1)
        return kind == ListKind::kChinese && kChineseNumerals.find(character) != std::string::npos;
    const char c = character[0];
    switch (kind) {
        case ListKind::kDecimal:
            return c >= '0' && c <= '9';
        case ListKind::kLowerLetter:
            return c >= 'a' && c <= 'z';
        case ListKind::kUpperLetter:
            return c >= 'A' && c <= 'Z';
        case ListKind::kLowerRoman:
            return std::string_view("ivxlcdm").find(c) != std::string_view::npos;
        case ListKind::kUpperRoman:
            return std::string_view("IVXLCDM").find(c) != std::string_view::npos;
        default:
            return false;
    }
}

std::size_t CharacterLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

const char* NumberFormat(ListKind kind) {
    switch (kind) {
        case ListKind::kDecimal:
            return "decimal";
        case ListKind::kLowerLetter:
            return "lowerLetter";
        case ListKind::kUpperLetter:
            return "upperLetter";
        case ListKind::kLowerRoman:
            return "lowerRoman";
        case ListKind::kUpperRoman:
            return "upperRoman";
        case ListKind::kChinese:
            return "chineseCounting";
        default:
            return "bullet";
    }
}

// The pattern with this level's placeholder for Word ("%1" for the outermost level).
std::string LevelText(const std::string& pattern, int level) {
    std::string text;
    std::string placeholder(1, '%');
    placeholder.append(std::to_string(level + 1));
    for (const char c : pattern) {
        if (c == '#')
            text.append(placeholder);
        else
            text.push_back(c);
    }
    return text;
}

std::string LevelXml(const std::string& pattern, ListKind kind, int level) {
    const long left = 360L * (level + 1);
    std::string xml = "<w:lvl w:ilvl=\"" + std::to_string(level) +
                      "\"><w:start w:val=\"1\"/><w:numFmt w:val=\"" + NumberFormat(kind) +
                      "\"/><w:lvlText w:val=\"" + XmlEscape(LevelText(pattern, level)) +
                      "\"/><w:lvlJc w:val=\"left\"/><w:pPr><w:ind w:left=\"" +
                      std::to_string(left) + "\" w:hanging=\"360\"/></w:pPr></w:lvl>";
    return xml;
}

}  // namespace

std::string MarkerPattern(ListKind kind, const std::string& marker) {
    if (kind == ListKind::kBullet)
        return marker.empty() ? "\u2022" : marker;
    std::string pattern;
    std::size_t run_start = std::string::npos;
    std::size_t run_end = 0;
    for (std::size_t i = 0; i < marker.size();) {
        const std::size_t length =
            std::min(CharacterLength(static_cast<unsigned char>(marker[i])), marker.size() - i);
        const std::string_view character(marker.data() + i, length);
        if (IsCounting(kind, character)) {
            if (run_start == std::string::npos || run_end != i)
                run_start = i;
            run_end = i + length;
        }
        i += length;
    }
    if (run_start == std::string::npos)
        return kind == ListKind::kChinese ? "#\u3001" : "#.";
    pattern = marker.substr(0, run_start) + "#" + marker.substr(run_end);
    std::erase(pattern, '%');
    return pattern;
}

int WordNumbering::DefinitionFor(ListKind kind, const std::string& pattern) {
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        if (definitions_[i].kind == kind && definitions_[i].pattern == pattern)
            return static_cast<int>(i);
    }
    if (definitions_.size() >= kMaxDefinitions)
        return 0;
    definitions_.push_back({kind, pattern});
    progress_.emplace_back();
    return static_cast<int>(definitions_.size() - 1);
}

int WordNumbering::NewInstance(int definition, int level, int start) {
    instances_.push_back({definition, level, start});
    Progress& progress = progress_[definition];
    progress.instance = static_cast<int>(instances_.size());
    progress.shown.fill(0);
    return progress.instance;
}

int WordNumbering::InstanceFor(const Paragraph& paragraph) {
    if (paragraph.list == ListKind::kNone)
        return 0;
    const int definition =
        DefinitionFor(paragraph.list, MarkerPattern(paragraph.list, paragraph.list_marker));
    Progress& progress = progress_[definition];
    const int level = std::clamp(paragraph.list_level, 0, kLevels - 1);
    const Instance* current = progress.instance > 0 ? &instances_[progress.instance - 1] : nullptr;
    // The number Word would show next; 0 when that depends on how it restarts an overridden level.
    int expected = 0;
    if (current != nullptr && progress.shown[level] > 0)
        expected = progress.shown[level] + 1;
    else if (current != nullptr && current->level != level)
        expected = 1;
    const bool counted = paragraph.list != ListKind::kBullet && paragraph.list_number > 0;
    const int wanted = counted ? paragraph.list_number : std::max(expected, 1);
    if (expected == 0 || wanted != expected) {
        if (instances_.size() >= kMaxInstances)
            return std::max(progress.instance, 1);
        NewInstance(definition, counted ? level : -1, wanted);
    }
    progress.shown[level] = wanted;
    // Word restarts the deeper levels after an item of a shallower one.
    std::fill(progress.shown.begin() + level + 1, progress.shown.end(), 0);
    return progress.instance;
}

std::string WordNumbering::PartXml() const {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:numbering "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">";
    for (std::size_t d = 0; d < definitions_.size(); ++d) {
        xml += "<w:abstractNum w:abstractNumId=\"" + std::to_string(d) +
               "\"><w:multiLevelType w:val=\"multilevel\"/>";
        for (int level = 0; level < kLevels; ++level)
            xml += LevelXml(definitions_[d].pattern, definitions_[d].kind, level);
        xml += "</w:abstractNum>";
    }
    for (std::size_t n = 0; n < instances_.size(); ++n) {
        const Instance& instance = instances_[n];
        xml += "<w:num w:numId=\"" + std::to_string(n + 1) + "\"><w:abstractNumId w:val=\"" +
               std::to_string(instance.definition) + "\"/>";
        if (instance.level >= 0)
            xml += "<w:lvlOverride w:ilvl=\"" + std::to_string(instance.level) +
                   "\"><w:startOverride w:val=\"" + std::to_string(instance.start) +
                   "\"/></w:lvlOverride>";
        xml += "</w:num>";
    }
    return xml + "</w:numbering>";
}

}  // namespace reconstruct
