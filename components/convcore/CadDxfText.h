#pragma once

#include <string>
#include <string_view>

// Texts of a DXF file: their encoding and the codes that stand for symbols and formatting.
namespace convcore {

// Texts of files before AC1021 (2007) are in the code page the header names ($DWGCODEPAGE,
// e.g. ANSI_936 = GBK); later files are UTF-8. The result is always valid UTF-8.
class DxfTextDecoder {
public:
    DxfTextDecoder() = default;
    ~DxfTextDecoder();
    DxfTextDecoder(const DxfTextDecoder&) = delete;
    DxfTextDecoder& operator=(const DxfTextDecoder&) = delete;

    void Configure(std::string_view version, std::string_view code_page);
    std::string ToUtf8(std::string_view raw);

private:
    void Close();

    void* converter_ = nullptr;  // an iconv_t from the code page to UTF-8, when one is needed
    bool western_ = false;       // the code page is Western European (or not named)
};

// Single-line text with the symbol codes (%%c, %%d, %%p, %%nnn, \U+XXXX) replaced by their
// characters and the underline/overline switches removed.
std::string PlainLineText(std::string_view text);
// Paragraph text as plain lines: \P (and \N, \X) become "\n", font, height, colour and other
// switches and braces are removed, stacked fractions become "a/b".
std::string PlainParagraphText(std::string_view text);

}  // namespace convcore
