#include "bkwin/BkStyle.h"

#include <unordered_map>

#include "bkwin/BkXml.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

constexpr unsigned kClearedTextModeBit = 0x10000;

// UI thread only.
std::unordered_map<std::string, BkStyle>& Registry() {
    static std::unordered_map<std::string, BkStyle> registry;
    return registry;
}

unsigned ParseHex(std::string_view value) {
    return static_cast<unsigned>(platform::ParseLongLikeWcstol(value, 16));
}

int ParseInt(std::string_view value) {
    return platform::ParseIntLikeWtoi(value);
}

// Attributes that set one plain integer member.
using IntMember = int BkStyle::*;
const std::unordered_map<std::string_view, IntMember>& IntAttributes() {
    static const std::unordered_map<std::string_view, IntMember> attributes{
        {"x-margin", &BkStyle::x_margin},
        {"y-margin", &BkStyle::y_margin},
        {"spacing", &BkStyle::spacing},
        {"linespacing", &BkStyle::line_spacing},
        {"shadow", &BkStyle::shadow},
        {"gdiplus", &BkStyle::gdiplus},
        {"bggdiplus", &BkStyle::bggdiplus},
        {"gditxtrndhit", &BkStyle::gditxtrndhit},
        {"gdipluscalctxt", &BkStyle::gdipluscalctxt},
        {"yhresizedisable", &BkStyle::yhresizedisable},
    };
    return attributes;
}

using ColourMember = std::optional<Colour> BkStyle::*;
const std::unordered_map<std::string_view, ColourMember>& ColourAttributes() {
    static const std::unordered_map<std::string_view, ColourMember> attributes{
        {"crbg", &BkStyle::crbg},
        {"crbghover", &BkStyle::crbghover},
        {"crtext", &BkStyle::crtext},
        {"crhover", &BkStyle::crhover},
        {"crdisabled", &BkStyle::crdisabled},
        {"crpush", &BkStyle::crpush},
        {"crshadow", &BkStyle::crshadow},
    };
    return attributes;
}

using FontMember = std::optional<std::uint16_t> BkStyle::*;
const std::unordered_map<std::string_view, FontMember>& FontAttributes() {
    static const std::unordered_map<std::string_view, FontMember> attributes{
        {"font", &BkStyle::font},
        {"hoverfont", &BkStyle::hover_font},
        {"pushfont", &BkStyle::push_font},
    };
    return attributes;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = platform::AsciiToLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

std::optional<Colour> ParseColour(std::string_view text) {
    if (text.size() != 6)
        return std::nullopt;
    std::uint8_t channels[3];
    for (int i = 0; i < 3; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        channels[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return Colour{channels[0], channels[1], channels[2]};
}

bool BkStyle::SetAttribute(std::string_view attribute, std::string_view value) {
    if (attribute == "name") {
        name = value;
    } else if (attribute == "skin") {
        skin = value;
    } else if (attribute == "textmode" || attribute == "textmodeex") {
        text_mode = ParseHex(value) & ~kClearedTextModeBit;
    } else if (attribute == "margin") {
        x_margin = y_margin = ParseInt(value);
    } else if (attribute == "alphatxt") {
        alpha_text = ParseInt(value);
    } else if (attribute == "alphabg") {
        alpha_bg = ParseInt(value);
    } else if (attribute == "cursor") {
        hand_cursor = value == "hand";
    } else if (const auto found = IntAttributes().find(attribute); found != IntAttributes().end()) {
        this->*(found->second) = ParseInt(value);
    } else if (const auto colour = ColourAttributes().find(attribute);
               colour != ColourAttributes().end()) {
        this->*(colour->second) = ParseColour(value);
    } else if (const auto font_code = FontAttributes().find(attribute);
               font_code != FontAttributes().end()) {
        this->*(font_code->second) = static_cast<std::uint16_t>(ParseHex(value));
    } else {
        return false;
    }
    return true;
}

bool BkStyle::LoadStyles(std::string_view xml) {
    const BkXmlDocument parsed = ParseResourceXml(xml, "style");
    if (parsed.root == nullptr)
        return false;
    for (const tinyxml2::XMLElement* element = parsed.root->FirstChildElement("class");
         element != nullptr; element = element->NextSiblingElement("class")) {
        BkStyle style;
        for (const tinyxml2::XMLAttribute* attribute = element->FirstAttribute();
             attribute != nullptr; attribute = attribute->Next()) {
            style.SetAttribute(attribute->Name(), attribute->Value());
        }
        if (style.name.empty())
            continue;
        Registry().try_emplace(style.name, std::move(style));
    }
    return true;
}

const BkStyle* BkStyle::GetStyle(std::string_view name) {
    const auto found = Registry().find(std::string(name));
    return found != Registry().end() ? &found->second : nullptr;
}

void BkStyle::Clear() {
    Registry().clear();
}

}  // namespace BkWin
