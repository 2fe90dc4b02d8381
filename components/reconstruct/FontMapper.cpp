#include "reconstruct/FontMapper.h"

#include <fontconfig/fontconfig.h>

#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "reconstruct/FontMatchStore.h"
#include "reconstruct/FontNames.h"

namespace reconstruct {
namespace {

std::mutex g_mutex;

struct Request {
    std::string family;   // asked of fontconfig; empty for the generic face alone
    std::string generic;  // "serif", "sans-serif" or "monospace": the fallback
    bool bold = false;
    bool italic = false;
    bool cjk = false;
};

// Families are compared the way fontconfig does: without blanks and case.
class InstalledFaces {
public:
    InstalledFaces() {
        FcInit();
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
        for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
            FcChar8* family = nullptr;
            for (int n = 0;
                 FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                keys_.insert(NameKey(reinterpret_cast<const char*>(family)));
        }
        if (fonts != nullptr)
            FcFontSetDestroy(fonts);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    }

    bool Has(std::string_view family) const { return keys_.count(NameKey(family)) != 0; }

    std::string FirstInstalled(std::initializer_list<std::string_view> families) const {
        for (std::string_view family : families) {
            if (Has(family))
                return std::string(family);
        }
        return {};
    }

private:
    std::set<std::string> keys_;
};

// The matched font's English family name when it has one, else its first.
std::string FamilyOf(FcPattern* font) {
    FcChar8* first = nullptr;
    FcPatternGetString(font, FC_FAMILY, 0, &first);
    for (int n = 0;; ++n) {
        FcChar8* family = nullptr;
        FcChar8* language = nullptr;
        if (FcPatternGetString(font, FC_FAMILY, n, &family) != FcResultMatch)
            break;
        if (FcPatternGetString(font, FC_FAMILYLANG, n, &language) == FcResultMatch &&
            std::string_view(reinterpret_cast<const char*>(language)) == "en")
            return reinterpret_cast<const char*>(family);
    }
    return first != nullptr ? reinterpret_cast<const char*>(first) : std::string();
}

// Asks for one family (none for fontconfig's default face) in the requested weight and slant.
std::string AskFontconfig(const std::string& family, const Request& request) {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (request.cjk)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(nullptr, pattern, &result);
    std::string matched = font != nullptr ? FamilyOf(font) : std::string();
    if (font != nullptr)
        FcPatternDestroy(font);
    FcPatternDestroy(pattern);
    return matched;
}

std::map<std::string, std::string> g_matches;  // guarded by g_mutex, as every caller holds it

// A match costs a millisecond or more, and the same default and generic faces are asked for
// over and over.
std::string Match(const std::string& family, const Request& request) {
    std::string key = family;
    for (bool flag : {request.bold, request.italic, request.cjk})
        key += flag ? '1' : '0';
    const auto found = g_matches.find(key);
    if (found != g_matches.end())
        return found->second;
    std::string matched = AskFontconfig(family, request);
    g_matches.emplace(std::move(key), matched);
    return matched;
}

// Faces with the widths of the fonts most PDFs were set in, so that lines break where they
// broke in the PDF; the desktop's generic faces run much wider.
std::string MetricFace(const InstalledFaces& faces, std::string_view generic) {
    if (generic == "monospace")
        return faces.FirstInstalled({"Liberation Mono", "Nimbus Mono PS", "Courier New"});
    if (generic == "serif")
        return faces.FirstInstalled({"Liberation Serif", "Nimbus Roman", "Times New Roman"});
    return faces.FirstInstalled({"Liberation Sans", "Nimbus Sans", "Arial"});
}

// The named face when installed, else what fontconfig's configuration substitutes for that
// name (a metric-compatible face); when it knows nothing better than its default face, a face
// of the font's kind, so that an unknown serif font stays serif.
std::string MatchOrGeneric(const InstalledFaces& faces, const Request& request) {
    if (!request.family.empty()) {
        const std::string named = Match(request.family, request);
        if (faces.Has(request.family) || named != Match("", request))
            return named;
    }
    if (std::string face = MetricFace(faces, request.generic); !face.empty())
        return face;
    return Match(request.generic, request);
}

// TeX's Computer Modern fonts, by name prefix (the first that fits), and their Latin Modern
// successors, which share their metrics. TeX's bold comes in two widths: the usual bold extended
// (cmbx) and the narrower bold of texinfo's terms (cmb), whose successor is Latin Modern's demi.
struct TexFont {
    std::string_view prefix;
    std::string_view family;
    std::string_view generic;
};

constexpr TexFont kTexFonts[] = {
    {"cmtt", "Latin Modern Mono", "monospace"},
    {"sftt", "Latin Modern Mono", "monospace"},
    {"lmmono", "Latin Modern Mono", "monospace"},
    {"cmss", "Latin Modern Sans", "sans-serif"},
    {"sfss", "Latin Modern Sans", "sans-serif"},
    {"lmsans", "Latin Modern Sans", "sans-serif"},
    {"cmr", "Latin Modern Roman", "serif"},
    {"cmbx", "Latin Modern Roman", "serif"},
    {"cmb", "Latin Modern Roman Demi", "serif"},
    {"cmti", "Latin Modern Roman", "serif"},
    {"cmsl", "Latin Modern Roman", "serif"},
    {"cmcsc", "Latin Modern Roman", "serif"},
    {"cmmi", "Latin Modern Roman", "serif"},
    {"cmutypewriter", "Latin Modern Mono", "monospace"},
    {"cmusansserif", "Latin Modern Sans", "sans-serif"},
    {"cmu", "Latin Modern Roman", "serif"},
    {"sfrm", "Latin Modern Roman", "serif"},
    {"sfbx", "Latin Modern Roman", "serif"},
    {"sfb", "Latin Modern Roman Demi", "serif"},
    {"sfti", "Latin Modern Roman", "serif"},
    {"sfsl", "Latin Modern Roman", "serif"},
    {"sfcc", "Latin Modern Roman", "serif"},
    {"lmromandemi", "Latin Modern Roman Demi", "serif"},
    {"lmroman", "Latin Modern Roman", "serif"},
};

const TexFont* FindTex(const std::string& key) {
    for (const TexFont& tex : kTexFonts) {
        if (key.rfind(tex.prefix, 0) == 0)
            return &tex;
    }
    return nullptr;
}

// Faces for Chinese text, by kind; the first installed one wins.
std::string CjkFace(const InstalledFaces& faces, std::string_view kind) {
    if (kind == "kai")
        return faces.FirstInstalled({"AR PL UKai CN", "Noto Serif CJK SC", "AR PL UMing CN"});
    if (kind == "serif")
        return faces.FirstInstalled({"Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC"});
    if (kind == "monospace")
        return faces.FirstInstalled(
            {"Noto Sans Mono CJK SC", "WenQuanYi Micro Hei Mono", "Noto Sans CJK SC"});
    return faces.FirstInstalled({"Noto Sans CJK SC", "WenQuanYi Micro Hei", "Noto Serif CJK SC"});
}

// Well-known PDF fonts: the CJK kind they belong to, or the name fontconfig knows them by.
struct KnownFont {
    std::string_view key_part;
    std::string_view cjk_kind;  // empty for a Latin face
    std::string_view ask_as;
};

constexpr KnownFont kKnownFonts[] = {
    {"kaiti", "kai", ""},
    {"楷", "kai", ""},
    {"simkai", "kai", ""},
    {"simsun", "serif", ""},
    {"宋", "serif", ""},
    {"stsong", "serif", ""},
    {"songti", "serif", ""},
    {"fangsong", "serif", ""},
    {"仿宋", "serif", ""},
    {"mingliu", "serif", ""},
    {"simhei", "sans", ""},
    {"黑", "sans", ""},
    {"yahei", "sans", ""},
    {"雅黑", "sans", ""},
    {"stheiti", "sans", ""},
    {"heiti", "sans", ""},
    {"dengxian", "sans", ""},
    {"等线", "sans", ""},
    {"timesnewroman", "", "Times New Roman"},
    {"times", "", "Times New Roman"},
    {"arial", "", "Arial"},
    {"helvetica", "", "Arial"},
    {"couriernew", "", "Courier New"},
    {"courier", "", "Courier New"},
};

const KnownFont* FindKnown(const std::string& key) {
    for (const KnownFont& known : kKnownFonts) {
        if (key.find(known.key_part) != std::string::npos)
            return &known;
    }
    return nullptr;
}

std::string_view GenericOf(bool monospace, bool serif) {
    if (monospace)
        return "monospace";
    return serif ? "serif" : "sans-serif";
}

std::string Resolve(const InstalledFaces& faces, const std::string& pdf_name, bool bold,
                    bool italic, bool monospace, bool serif, bool cjk) {
    const FontNameTraits traits = ReadFontName(pdf_name);
    if (const TexFont* tex = FindTex(NameKey(traits.family)); tex != nullptr && !cjk) {
        return MatchOrGeneric(
            faces, {std::string(tex->family), std::string(tex->generic), bold, italic, false});
    }
    const KnownFont* known = FindKnown(NameKey(traits.family));
    if (known != nullptr && !known->cjk_kind.empty()) {
        const std::string face = CjkFace(faces, known->cjk_kind);
        if (!face.empty())
            return face;
    }
    if (cjk && faces.Has(traits.family))
        return MatchOrGeneric(faces, {traits.family, "sans-serif", bold, italic, true});
    if (cjk) {
        const std::string face = CjkFace(faces, GenericOf(monospace, serif));
        if (!face.empty())
            return face;
        return MatchOrGeneric(faces,
                              {"", std::string(GenericOf(monospace, serif)), bold, italic, true});
    }
    Request request{traits.family, std::string(GenericOf(monospace, serif)), bold, italic, false};
    if (known != nullptr)
        request.family = std::string(known->ask_as);
    return MatchOrGeneric(faces, request);
}

std::map<std::string, std::string> g_cache;         // guarded by g_mutex
std::optional<std::filesystem::path> g_store_file;  // guarded by g_mutex
std::optional<FontMatchStore> g_store;              // guarded by g_mutex; opened on first use

// Guarded by g_mutex. Opened late: its fingerprint takes a hundred file times, which a core
// should not spend before its first ask.
void OpenStore() {
    if (g_store || !g_store_file)
        return;
    g_store.emplace(*g_store_file, FontSetupFingerprint());
    g_cache.merge(g_store->Load());
}

// Guarded by g_mutex: the first call reads fontconfig's whole cache.
const InstalledFaces& Faces() {
    static const InstalledFaces faces;
    return faces;
}

}  // namespace

void KeepFontMatchesIn(const std::filesystem::path& file) {
    const std::lock_guard lock(g_mutex);
    g_store_file = file;
}

void WarmFontMatching() {
    const std::lock_guard lock(g_mutex);
    OpenStore();
    if (!g_cache.empty())
        return;
    Faces();
    for (const char* generic : {"", "serif", "sans-serif", "monospace"}) {
        for (bool bold : {false, true}) {
            for (bool italic : {false, true})
                Match(generic, {"", generic, bold, italic, false});
        }
    }
}

std::string InstalledFamily(const std::string& pdf_name, bool bold, bool italic, bool monospace,
                            bool serif, bool cjk) {
    const std::lock_guard lock(g_mutex);
    OpenStore();
    std::string key = pdf_name;
    for (bool flag : {bold, italic, monospace, serif, cjk})
        key += flag ? '1' : '0';
    const auto found = g_cache.find(key);
    if (found != g_cache.end())
        return found->second;
    const InstalledFaces& faces = Faces();
    std::string family = Resolve(faces, pdf_name, bold, italic, monospace, serif, cjk);
    if (!faces.Has(family))
        family = faces.FirstInstalled({"DejaVu Sans", "Noto Sans CJK SC"});
    if (g_store)
        g_store->Save({{key, family}});
    g_cache.emplace(std::move(key), family);
    return family;
}

}  // namespace reconstruct
