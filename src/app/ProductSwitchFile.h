#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// data/kswitch.dat: the marker ".tmp", then XML whose every byte is XOR-ed with one key byte.
// It defines product switches: groups of switches that are on only for installations whose
// trial number, product identity and age match, and then only for a share of them.
namespace product_switch {

inline constexpr std::uint8_t kKeyByte = 0x5A;
inline constexpr std::string_view kMarker = ".tmp";
inline constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

// iid, tid1, tid2, tod1, tod2.
using ProductIdentity = std::array<std::string, 5>;
inline constexpr std::array<const char*, 5> kIdentityNames = {"iid", "tid1", "tid2", "tod1",
                                                              "tod2"};

struct ProductIdRange {
    ProductIdentity min;
    ProductIdentity max;
};

struct SwitchRecord {
    int id = 0;
    std::string name;
    std::vector<int> on;
    int percent = 100;
    std::vector<ProductIdentity> product_ids;
    std::vector<ProductIdRange> product_id_ranges;
    std::string install_days_min;
    std::string install_days_max;
    bool result = false;
};

struct InstallationFacts {
    int try_no = 0;
    ProductIdentity identity;
    std::int64_t age_days = 0;
};

using Groups = std::map<std::string, std::vector<SwitchRecord>>;

// The XML text, or nullopt when the bytes are shorter than the marker or lack it.
std::optional<std::string> Decode(std::string_view file_bytes, std::uint8_t key = kKeyByte);
std::string Encode(std::string_view xml, std::uint8_t key = kKeyByte);

// Groups with a non-empty name and their switches, in document order; results not evaluated.
// Nullopt when the XML does not parse.
std::optional<Groups> ParseXml(const std::string& xml);

// `draw` is the random number 0..99 taken for this switch.
bool Evaluate(const SwitchRecord& record, const InstallationFacts& facts, int draw);

// "2021-03-04 05:06:07" or "2021年03月04日05时06分07秒" as local time, in seconds since 1970.
std::optional<std::int64_t> ParseInstallTime(std::string_view text);

}  // namespace product_switch
