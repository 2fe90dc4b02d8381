#include "reconstruct/FontMapper.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "reconstruct/FontNames.h"

namespace reconstruct {
namespace {

// Whether a face of the family is installed; with a language, one that covers it.
bool IsInstalled(const std::string& family, const char* language = nullptr) {
    FcInit();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcLangSet* languages = FcLangSetCreate();
    if (language != nullptr) {
        FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
        FcPatternAddLangSet(pattern, FC_LANG, languages);
    }
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    const bool found = fonts != nullptr && fonts->nfont > 0;
    if (fonts != nullptr)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcLangSetDestroy(languages);
    FcPatternDestroy(pattern);
    return found;
}

bool CoversChinese(const std::string& family) {
    return IsInstalled(family, "zh-cn");
}

TEST(FontNamesTest, CleanNamesLoseTheSubsetTagAndBecomeUtf8) {
    EXPECT_EQ(CleanFontName("ABCDEF+Arial-BoldMT"), "Arial-BoldMT");
    EXPECT_EQ(CleanFontName("abcdef+Arial"), "abcdef+Arial");
    EXPECT_EQ(CleanFontName("ABCDE+Arial"), "ABCDE+Arial");
    EXPECT_EQ(CleanFontName("\xCB\xCE\xCC\xE5"), "宋体");  // GBK
    EXPECT_EQ(CleanFontName("QWERTY+\xBA\xDA\xCC\xE5,Bold"), "黑体,Bold");
    EXPECT_EQ(CleanFontName("微软雅黑"), "微软雅黑");
    EXPECT_EQ(CleanFontName("Bad\xFF\xFE"), "Bad");
}

TEST(FontNamesTest, NamesTellFamilyStyleAndKind) {
    struct Case {
        const char* name;
        const char* family;
        bool bold, italic, monospace, serif, sans, cjk;
    };
    const Case cases[] = {
        {"TimesNewRomanPS-BoldItalicMT", "TimesNewRoman", true, true, false, true, false, false},
        {"Times-Roman", "Times", false, false, false, true, false, false},
        {"Arial,Bold", "Arial", true, false, false, false, true, false},
        {"ArialMT", "Arial", false, false, false, false, true, false},
        {"Arial-Black", "Arial", true, false, false, false, true, false},
        {"Helvetica-Oblique", "Helvetica", false, true, false, false, true, false},
        {"MinionPro-It", "MinionPro", false, true, false, true, false, false},
        {"MyriadPro-SemiboldIt", "MyriadPro", true, true, false, false, false, false},
        {"Courier-Bold", "Courier", true, false, true, false, false, false},
        {"Blackadder", "Blackadder", false, false, false, false, false, false},
        {"SimHei", "SimHei", false, false, false, false, true, true},
        {"SimSun", "SimSun", false, false, false, true, false, true},
        {"宋体", "宋体", false, false, false, true, false, true},
        {"楷体_GB2312", "楷体_GB2312", false, false, false, true, false, true},
        {"微软雅黑,Bold", "微软雅黑", true, false, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FontNameTraits traits = ReadFontName(c.name);
        EXPECT_EQ(traits.family, c.family);
        EXPECT_EQ(traits.bold, c.bold);
        EXPECT_EQ(traits.italic, c.italic);
        EXPECT_EQ(traits.monospace, c.monospace);
        EXPECT_EQ(traits.serif, c.serif);
        EXPECT_EQ(traits.sans, c.sans);
        EXPECT_EQ(traits.cjk, c.cjk);
    }
}

TEST(FontMapperTest, WellKnownFontsMapToTheirInstalledEquivalents) {
    struct Case {
        const char* pdf_name;
        bool bold, serif, monospace;
        std::string expected;  // what fontconfig itself picks for the equivalent
    };
    auto match = [](const char* family) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* font = FcFontMatch(nullptr, pattern, &result);
        FcChar8* name = nullptr;
        FcPatternGetString(font, FC_FAMILY, 0, &name);
        std::string matched = reinterpret_cast<const char*>(name);
        FcPatternDestroy(font);
        FcPatternDestroy(pattern);
        return matched;
    };
    const Case cases[] = {
        {"TimesNewRomanPS-BoldMT", true, true, false, match("Times New Roman")},
        {"Times-Roman", false, true, false, match("Times New Roman")},
        {"Helvetica", false, false, false, match("Arial")},
        {"Arial,Bold", true, false, false, match("Arial")},
        {"Courier", false, false, true, match("Courier New")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdf_name);
        const std::string family =
            InstalledFamily(c.pdf_name, c.bold, false, c.monospace, c.serif, false);
        EXPECT_EQ(family, c.expected);
        EXPECT_TRUE(IsInstalled(family));
    }
}

TEST(FontMapperTest, ChineseFontsGetAFaceOfTheirKindThatCoversChinese) {
    struct Case {
        const char* pdf_name;
        const char* expected;
    };
    const Case cases[] = {
        {"SimSun", "Noto Serif CJK SC"},
        {"宋体", "Noto Serif CJK SC"},
        {"STSong-Light", "Noto Serif CJK SC"},
        {"SimHei", "Noto Sans CJK SC"},
        {"黑体", "Noto Sans CJK SC"},
        {"Microsoft YaHei", "Noto Sans CJK SC"},
        {"微软雅黑", "Noto Sans CJK SC"},
        {"KaiTi_GB2312", "AR PL UKai CN"},
        {"楷体", "AR PL UKai CN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdf_name);
        // Latin text in a Chinese font keeps the Chinese face, so that one font stays one face.
        for (bool cjk : {true, false}) {
            const std::string family = InstalledFamily(c.pdf_name, false, false, false, false, cjk);
            EXPECT_EQ(family, c.expected);
            EXPECT_TRUE(CoversChinese(family));
        }
    }
}

TEST(FontMapperTest, UnknownNamesStillGiveAnInstalledFaceOfTheirKind) {
    const std::string serif = InstalledFamily("Qwzx-Regular", false, false, false, true, false);
    const std::string sans = InstalledFamily("Qwzx-Regular", false, false, false, false, false);
    const std::string mono = InstalledFamily("Qwzx-Regular", false, false, true, false, false);
    const std::string chinese = InstalledFamily("Qwzx-Regular", false, false, false, true, true);
    for (const std::string& family : {serif, sans, mono, chinese}) {
        EXPECT_FALSE(family.empty());
        EXPECT_TRUE(IsInstalled(family)) << family;
    }
    EXPECT_NE(serif, sans);
    EXPECT_NE(mono, sans);
    EXPECT_TRUE(CoversChinese(chinese)) << chinese;
    // An installed face is named as it is.
    EXPECT_EQ(InstalledFamily("DejaVuSerif-Bold", true, false, false, true, false), "DejaVu Serif");
}

// TeX's fonts go to their Latin Modern successors, which share their widths; without those,
// unknown faces go to the narrow metric-compatible faces rather than the desktop's wide ones.
TEST(FontMapperTest, TexFontsKeepTheirWidths) {
    const struct {
        const char* pdf_name;
        bool bold;
        bool monospace;
        const char* family;
    } cases[] = {
        {"CMR10", false, false, "Latin Modern Roman"},
        {"CMBX12", true, false, "Latin Modern Roman"},
        {"CMB10", true, false, "Latin Modern Roman Demi"},
        {"SFRM1000", false, false, "Latin Modern Roman"},
        {"CMTT10", false, true, "Latin Modern Mono"},
        {"CMSS10", false, false, "Latin Modern Sans"},
        {"LMRoman10-Regular", false, false, "Latin Modern Roman"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdf_name);
        const std::string family =
            InstalledFamily(c.pdf_name, c.bold, false, c.monospace, false, false);
        if (IsInstalled(c.family)) {
            EXPECT_EQ(family, c.family);
        }
        EXPECT_TRUE(IsInstalled(family));
    }
    const std::string serif = InstalledFamily("Qwzx-Regular", false, false, false, true, false);
    if (IsInstalled("Liberation Serif")) {
        EXPECT_EQ(serif, "Liberation Serif");
    }
    EXPECT_NE(serif, "DejaVu Serif");
}

TEST(FontMapperTest, ConcurrentCallersAgree) {
    const std::string expected = InstalledFamily("Georgia-Italic", false, true, false, true, false);
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] {
            results[i] = InstalledFamily(i % 2 == 0 ? "Georgia-Italic" : "OtherFace-Bold",
                                         i % 2 != 0, i % 2 == 0, false, true, false);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t i = 0; i < results.size(); i += 2)
        EXPECT_EQ(results[i], expected);
    EXPECT_TRUE(IsInstalled(results[1]));
}

}  // namespace
}  // namespace reconstruct
