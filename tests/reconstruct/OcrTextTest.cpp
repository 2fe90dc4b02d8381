#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reconstruct/OcrText.h"

namespace reconstruct {
namespace {

OcrWord Word(const std::string& text, float confidence = 95) {
    OcrWord word;
    word.text = text;
    word.confidence = confidence;
    return word;
}

OcrLine LineOf(const std::vector<std::string>& words) {
    OcrLine line;
    for (const std::string& text : words)
        line.words.push_back(Word(text));
    return line;
}

TEST(OcrTextTest, WordsJoinWithSpacesExceptBetweenCjkCharacters) {
    const struct {
        std::vector<std::string> words;
        const char* expected;
    } cases[] = {
        {{"Quire", "converts", "documents"}, "Quire converts documents"},
        {{"文档", "转换", "测试"}, "文档转换测试"},
        {{"文", "档"}, "文档"},
        {{"版本", "5.3", "发布"}, "版本 5.3 发布"},
        {{"使用", "Quire", "转换"}, "使用 Quire 转换"},
        {{"说明：", "见", "附件"}, "说明：见附件"},  // full-width punctuation is CJK too
        {{"Hello,", "世界"}, "Hello, 世界"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineText(LineOf(c.words)), c.expected) << c.expected;
}

TEST(OcrTextTest, OnlyUnsurePunctuationIsNoise) {
    const struct {
        std::string text;
        float confidence;
        bool noise;
    } cases[] = {
        {".", 20, true},  {"-'", 35, true}, {"，", 10, true}, {"—", 40, true},   {"", 10, true},
        {".", 90, false}, {"a", 10, false}, {"7", 20, false}, {"文", 15, false}, {"-a-", 20, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPunctuationNoise(Word(c.text, c.confidence)), c.noise) << c.text;

    std::vector<OcrLine> lines;
    lines.push_back(LineOf({"Quire", "converts"}));
    lines[0].words.push_back(Word("~", 12));
    lines.push_back({});
    lines[1].words.push_back(Word(".", 5));
    DropNoise(&lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(LineText(lines[0]), "Quire converts");
}

TEST(OcrTextTest, Utf8DecodesAndReplacesBrokenSequences) {
    EXPECT_EQ(DecodeUtf8("a文😀"), (std::u32string{U'a', U'文', U'😀'}));
    EXPECT_EQ(DecodeUtf8("\xE6\x96"), (std::u32string{0xFFFD, 0xFFFD}));  // cut short
    EXPECT_EQ(DecodeUtf8("\xC0\xAF"), (std::u32string{0xFFFD, 0xFFFD}));  // never a lead byte
    EXPECT_EQ(DecodeUtf8("\xE0\x80\xAF"), (std::u32string{0xFFFD}));      // overlong
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), (std::u32string{0xFFFD}));      // surrogate
}

}  // namespace
}  // namespace reconstruct
