#include "app/ProductSwitchFile.h"

#include <tinyxml2.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "platform/Text.h"

namespace product_switch {
namespace {

std::string Attribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? std::string(value) : std::string();
}

int IntAttribute(const tinyxml2::XMLElement* element, const char* name, int fallback) {
    const char* value = element->Attribute(name);
    return value ? platform::ParseIntLikeWtoi(value) : fallback;
}

std::vector<int> IntList(std::string_view text) {
    std::vector<int> values;
    while (!text.empty()) {
        const auto comma = text.find(',');
        values.push_back(platform::ParseIntLikeWtoi(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return values;
}

ProductIdentity IdentityOf(const tinyxml2::XMLElement* element, const char* suffix) {
    ProductIdentity identity;
    for (std::size_t i = 0; i < identity.size(); ++i)
        identity[i] = Attribute(element, (std::string(kIdentityNames[i]) + suffix).c_str());
    return identity;
}

SwitchRecord ReadSwitch(const tinyxml2::XMLElement* element) {
    SwitchRecord record;
    record.id = IntAttribute(element, "id", 0);
    record.name = Attribute(element, "name");
    record.on = IntList(Attribute(element, "on"));
    record.percent = IntAttribute(element, "percent", 100);
    for (auto* id = element->FirstChildElement("productid"); id;
         id = id->NextSiblingElement("productid"))
        record.product_ids.push_back(IdentityOf(id, ""));
    for (auto* range = element->FirstChildElement("productid_range"); range;
         range = range->NextSiblingElement("productid_range"))
        record.product_id_ranges.push_back({IdentityOf(range, "min"), IdentityOf(range, "max")});
    if (auto* days = element->FirstChildElement("intalldays")) {
        record.install_days_min = Attribute(days, "min");
        record.install_days_max = Attribute(days, "max");
    }
    return record;
}

std::int64_t Number(const std::string& text) {
    return platform::ParseLongLikeWcstol(text, 10);
}

bool EntryMatches(const ProductIdentity& entry, const ProductIdentity& mine) {
    for (std::size_t i = 0; i < entry.size(); ++i)
        if (!entry[i].empty() && !platform::EqualsIgnoreAsciiCase(entry[i], mine[i]))
            return false;
    return true;
}

bool RangeMatches(const ProductIdRange& range, const ProductIdentity& mine) {
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (range.min[i].empty() || range.max[i].empty())
            continue;
        const std::int64_t value = Number(mine[i]);
        if (value < Number(range.min[i]) || value > Number(range.max[i]))
            return false;
    }
    return true;
}

bool ProductMatches(const SwitchRecord& record, const ProductIdentity& mine) {
    if (record.product_ids.empty() && record.product_id_ranges.empty())
        return true;
    const auto entry = [&](const ProductIdentity& id) { return EntryMatches(id, mine); };
    const auto range = [&](const ProductIdRange& r) { return RangeMatches(r, mine); };
    return std::any_of(record.product_ids.begin(), record.product_ids.end(), entry) ||
           std::any_of(record.product_id_ranges.begin(), record.product_id_ranges.end(), range);
}

bool AgeWithin(const SwitchRecord& record, std::int64_t age_days) {
    if (!record.install_days_min.empty() && age_days < Number(record.install_days_min))
        return false;
    if (!record.install_days_max.empty() && age_days > Number(record.install_days_max))
        return false;
    return true;
}

// Reads the six numbers of either install-time form; each is followed by its separator.
bool ReadSixNumbers(std::string_view text, const std::array<std::string_view, 6>& separators,
                    std::array<int, 6>* numbers) {
    for (std::size_t i = 0; i < separators.size(); ++i) {
        std::size_t consumed = 0;
        (*numbers)[i] = platform::ParseLongLikeWcstol(text, 10, &consumed);
        if (consumed == 0)
            return false;
        text.remove_prefix(consumed);
        if (text.substr(0, separators[i].size()) != separators[i])
            return false;
        text.remove_prefix(separators[i].size());
    }
    return true;
}

}  // namespace

std::optional<std::string> Decode(std::string_view file_bytes, std::uint8_t key) {
    if (file_bytes.size() < kMarker.size() || file_bytes.substr(0, kMarker.size()) != kMarker)
        return std::nullopt;
    std::string xml(file_bytes.substr(kMarker.size()));
    for (char& c : xml)
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ key);
    return xml;
}

std::string Encode(std::string_view xml, std::uint8_t key) {
    std::string bytes(kMarker);
    for (char c : xml)
        bytes += static_cast<char>(static_cast<std::uint8_t>(c) ^ key);
    return bytes;
}

std::optional<Groups> ParseXml(const std::string& xml) {
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.c_str(), xml.size()) != tinyxml2::XML_SUCCESS)
        return std::nullopt;
    const tinyxml2::XMLElement* root = document.RootElement();
    if (!root)
        return std::nullopt;
    Groups groups;
    for (auto* group = root->FirstChildElement("group"); group;
         group = group->NextSiblingElement("group")) {
        const std::string name = Attribute(group, "name");
        if (name.empty())
            continue;
        auto& records = groups[name];
        for (auto* entry = group->FirstChildElement("switch"); entry;
             entry = entry->NextSiblingElement("switch"))
            records.push_back(ReadSwitch(entry));
    }
    return groups;
}

bool Evaluate(const SwitchRecord& record, const InstallationFacts& facts, int draw) {
    if (record.percent <= 0 || (!record.on.empty() && record.on.front() == -1))
        return false;
    return record.percent >= draw + 1 &&
           std::find(record.on.begin(), record.on.end(), facts.try_no) != record.on.end() &&
           AgeWithin(record, facts.age_days) && ProductMatches(record, facts.identity);
}

std::optional<std::int64_t> ParseInstallTime(std::string_view text) {
    std::array<int, 6> n{};
    if (!ReadSixNumbers(text, {"-", "-", " ", ":", ":", ""}, &n) &&
        !ReadSixNumbers(text, {"年", "月", "日", "时", "分", "秒"}, &n))
        return std::nullopt;
    std::tm local{};
    local.tm_year = n[0] - 1900;
    local.tm_mon = n[1] - 1;
    local.tm_mday = n[2];
    local.tm_hour = n[3];
    local.tm_min = n[4];
    local.tm_sec = n[5];
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(seconds);
}

}  // namespace product_switch
