#include "bkwin/BkString.h"

#include <cctype>
#include <map>

#include "bkwin/BkXml.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

// UI thread only.
std::map<int, std::string>& Table() {
    static std::map<int, std::string> table;
    return table;
}

constexpr std::string_view kMarkerStart = "%str";
// More digits than any id needs: such a marker counts as malformed.
constexpr std::size_t kMaxMarkerDigits = 9;

// The id of a well-formed marker starting at `text[0]` and its length, or nothing.
bool ReadMarker(std::string_view text, int& id, std::size_t& length) {
    std::size_t pos = kMarkerStart.size();
    const std::size_t digits_start = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    const std::size_t digits = pos - digits_start;
    if (digits == 0 || digits > kMaxMarkerDigits || pos >= text.size() || text[pos] != '%')
        return false;
    id = platform::ParseIntLikeWtoi(text.substr(digits_start, digits));
    length = pos + 1;
    return true;
}

}  // namespace

bool BkString::LoadStrings(std::string_view xml) {
    const BkXmlDocument parsed = ParseResourceXml(xml, "string");
    if (parsed.root == nullptr)
        return false;
    for (const tinyxml2::XMLElement* element = parsed.root->FirstChildElement("s");
         element != nullptr; element = element->NextSiblingElement("s")) {
        const char* id = element->Attribute("id");
        if (id == nullptr)
            continue;
        const char* text = element->GetText();
        Table().try_emplace(platform::ParseIntLikeWtoi(id), text != nullptr ? text : "");
    }
    return true;
}

std::string BkString::Get(int id) {
    const auto found = Table().find(id);
    return found != Table().end() ? found->second : std::string();
}

std::string BkString::ReplaceMarkers(std::string_view text) {
    std::string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t marker = text.find(kMarkerStart, pos);
        if (marker == std::string_view::npos)
            break;
        int id = 0;
        std::size_t length = 0;
        if (!ReadMarker(text.substr(marker), id, length))
            break;
        result.append(text.substr(pos, marker - pos));
        if (id > 0)
            result += Get(id);
        else
            result.append(text.substr(marker, length));
        pos = marker + length;
    }
    result.append(text.substr(pos));
    return result;
}

void BkString::Clear() {
    Table().clear();
}

}  // namespace BkWin
