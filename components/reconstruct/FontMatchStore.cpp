#include "reconstruct/FontMatchStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace reconstruct {
namespace {

namespace fs = std::filesystem;

constexpr char kHeader[] = "quire font matches 1";
// A document names a few dozen fonts; the bound keeps a stray or planted file from costing a
// core more than matching afresh would.
constexpr std::size_t kMostBytes = 256 * 1024;
constexpr std::size_t kMostMatches = 2000;

bool Storable(std::string_view text) {
    return text.find_first_of("\t\n") == std::string_view::npos;
}

// FNV-1a: stable across builds and machines, unlike std::hash.
class Digest {
public:
    void Add(std::string_view text) {
        for (unsigned char c : text) {
            value_ ^= c;
            value_ *= 0x100000001b3ULL;
        }
        value_ ^= 0xff;  // a separator no text byte sequence can fake at the end of a part
        value_ *= 0x100000001b3ULL;
    }

    std::string Hex() const {
        std::ostringstream text;
        text << std::hex << value_;
        return text.str();
    }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

void AddTimes(Digest& digest, const fs::path& path) {
    struct stat info {};
    digest.Add(path.string());
    if (::stat(path.c_str(), &info) != 0)
        return digest.Add("-");
    digest.Add(std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) +
               ":" + std::to_string(info.st_size));
}

std::vector<fs::path> Entries(const fs::path& folder, bool folders_only) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!folders_only || it->is_directory(error))
            entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

FontMatchStore::FontMatchStore(fs::path file, std::string fingerprint)
    : file_(std::move(file)), fingerprint_(std::move(fingerprint)) {}

std::map<std::string, std::string> FontMatchStore::Load() const {
    const platform::ReadResult read = platform::ReadFileBounded(file_, kMostBytes);
    if (read.status != platform::ReadStatus::Ok)
        return {};
    std::istringstream lines(read.bytes);
    std::string header;
    std::string fingerprint;
    if (!std::getline(lines, header) || header != kHeader || !std::getline(lines, fingerprint) ||
        fingerprint != fingerprint_)
        return {};
    std::map<std::string, std::string> matches;
    for (std::string line; std::getline(lines, line) && matches.size() < kMostMatches;) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
            return {};  // damaged: trust none of it
        matches.emplace(line.substr(0, tab), line.substr(tab + 1));
    }
    return matches;
}

void FontMatchStore::Save(const std::map<std::string, std::string>& matches) const {
    std::map<std::string, std::string> all = Load();
    for (const auto& [key, family] : matches) {
        if (Storable(key) && Storable(family) && !key.empty() && !family.empty())
            all[key] = family;
    }
    if (all.size() > kMostMatches)
        return;
    std::string text = std::string(kHeader) + "\n" + fingerprint_ + "\n";
    for (const auto& [key, family] : all)
        text += key + "\t" + family + "\n";
    std::error_code error;
    fs::create_directories(file_.parent_path(), error);
    platform::WriteFileAtomically(file_, text, 0644, nullptr, platform::Durability::kUnsynced);
}

std::string FontSetupFingerprint() {
    Digest digest;
    std::error_code error;
    AddTimes(digest, fs::read_symlink("/proc/self/exe", error));
    for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"}) {
        const char* value = std::getenv(name);
        digest.Add(value != nullptr ? value : "-");
    }
    const fs::path home = platform::HomeFolder();
    const fs::path config =
        platform::AbsoluteEnv("XDG_CONFIG_HOME").value_or(home / ".config") / "fontconfig";
    for (const fs::path& folder :
         {fs::path("/etc/fonts"), fs::path("/etc/fonts/conf.d"), config, config / "conf.d"}) {
        AddTimes(digest, folder);
        for (const fs::path& file : Entries(folder, false))
            AddTimes(digest, file);
    }
    for (const fs::path& folder :
         {fs::path("/var/cache/fontconfig"),
          platform::AbsoluteEnv("XDG_CACHE_HOME").value_or(home / ".cache") / "fontconfig"})
        AddTimes(digest, folder);
    for (const fs::path& folder :
         {fs::path("/usr/share/fonts"), fs::path("/usr/local/share/fonts"),
          platform::AbsoluteEnv("XDG_DATA_HOME").value_or(home / ".local/share") / "fonts",
          home / ".fonts"}) {
        AddTimes(digest, folder);
        for (const fs::path& sub : Entries(folder, true))
            AddTimes(digest, sub);
    }
    return digest.Hex();
}

}  // namespace reconstruct
