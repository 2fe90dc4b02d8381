#include "reconstruct/TextExtract.h"

#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "reconstruct/FontMapper.h"
#include "reconstruct/FontNames.h"
#include "reconstruct/TextMarks.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr std::size_t kMaxChars = 200000;  // per page; a page of noise must not exhaust memory

// One character as MuPDF reports it, before its style has an index.
struct Glyph {
    RawChar raw;
    fz_font* font = nullptr;
    double size = 0;
    int color = 0;
    double baseline = 0;
};

double RoundedSize(float size) {
    return std::round(static_cast<double>(size) * 10) / 10;
}

Rgb ColorOf(int packed) {
    return {static_cast<std::uint8_t>((packed >> 16) & 0xFF),
            static_cast<std::uint8_t>((packed >> 8) & 0xFF),
            static_cast<std::uint8_t>(packed & 0xFF)};
}

char32_t CodeOf(int c) {
    if (c < 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return U'\uFFFD';
    return static_cast<char32_t>(c);
}

// Style indexes for (font, size, colour, script) with equal looks sharing one entry.
class StyleTable {
public:
    StyleTable(fz_context* ctx, std::vector<FontStyle>* styles) : ctx_(ctx), styles_(styles) {}

    int IndexOf(const Glyph& glyph, bool cjk) {
        const auto key = std::make_tuple(glyph.font, glyph.size, glyph.color, cjk);
        const auto known = indexes_.find(key);
        if (known != indexes_.end())
            return known->second;
        const FontStyle style = Describe(glyph, cjk);
        auto same = std::find(styles_->begin(), styles_->end(), style);
        if (same == styles_->end())
            same = styles_->insert(styles_->end(), style);
        const int index = static_cast<int>(same - styles_->begin());
        indexes_.emplace(key, index);
        return index;
    }

private:
    FontStyle Describe(const Glyph& glyph, bool cjk) const {
        FontStyle style;
        const char* name = glyph.font != nullptr ? fz_font_name(ctx_, glyph.font) : nullptr;
        style.pdf_name = CleanFontName(name != nullptr ? name : "");
        const FontNameTraits traits = ReadFontName(style.pdf_name);
        const bool has_font = glyph.font != nullptr;
        style.bold = traits.bold || (has_font && fz_font_is_bold(ctx_, glyph.font));
        style.italic = traits.italic || (has_font && fz_font_is_italic(ctx_, glyph.font));
        style.monospace = traits.monospace || (has_font && fz_font_is_monospaced(ctx_, glyph.font));
        const bool serif =
            traits.serif || (!traits.sans && has_font && fz_font_is_serif(ctx_, glyph.font));
        style.family =
            InstalledFamily(style.pdf_name, style.bold, style.italic, style.monospace, serif, cjk);
        style.size = glyph.size;
        style.color = ColorOf(glyph.color);
        return style;
    }

    fz_context* ctx_;
    std::vector<FontStyle>* styles_;
    std::map<std::tuple<fz_font*, double, int, bool>, int> indexes_;
};

bool SameLook(const Glyph& a, const Glyph& b) {
    return a.font == b.font && a.size == b.size && a.color == b.color;
}

// Gives every glyph its style, span by span: a span whose text is mostly Chinese asks for a
// face that covers it.
void AssignStyles(std::vector<Glyph>* glyphs, StyleTable* table) {
    std::size_t start = 0;
    while (start < glyphs->size()) {
        std::size_t end = start;
        int cjk = 0;
        int visible = 0;
        while (end < glyphs->size() && SameLook((*glyphs)[start], (*glyphs)[end])) {
            const char32_t code = (*glyphs)[end].raw.code;
            cjk += IsCjk(code) ? 1 : 0;
            visible += code != U' ' ? 1 : 0;
            ++end;
        }
        const int style = table->IndexOf((*glyphs)[start], cjk * 2 > visible);
        for (std::size_t i = start; i < end; ++i)
            (*glyphs)[i].raw.style = style;
        start = end;
    }
}

double LineSizeOf(const std::vector<Glyph>& glyphs) {
    std::map<double, int> counts;
    for (const Glyph& glyph : glyphs) {
        if (glyph.raw.code != U' ')
            ++counts[glyph.size];
    }
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? 0 : most->first;
}

RawLine BuildLine(std::vector<Glyph>* glyphs, StyleTable* table) {
    AssignStyles(glyphs, table);
    const double size = LineSizeOf(*glyphs);
    RawLine line;
    line.baseline = glyphs->front().baseline;
    for (const Glyph& glyph : *glyphs) {
        if (glyph.size == size) {
            line.baseline = glyph.baseline;
            break;
        }
    }
    for (const Glyph& glyph : *glyphs) {
        RawChar c = glyph.raw;
        c.shift = ShiftOf(glyph.size, glyph.baseline, size, line.baseline);
        line.box = line.box.United(c.box);
        line.chars.push_back(c);
    }
    return line;
}

bool IsHorizontal(const fz_stext_line* line) {
    return line->wmode == 0 && line->dir.x > 0.99f;
}

// The characters of one MuPDF line; false once the page's bound of characters is reached.
bool ReadGlyphs(const fz_stext_line* line, std::size_t* total, std::vector<Glyph>* glyphs) {
    for (const fz_stext_char* ch = line->first_char; ch != nullptr; ch = ch->next) {
        if (++*total > kMaxChars)
            return false;
        Glyph glyph;
        glyph.raw.code = CodeOf(ch->c);
        const fz_rect box = fz_rect_from_quad(ch->quad);
        glyph.raw.box = {box.x0, box.y0, box.x1, box.y1};
        glyph.font = ch->font;
        glyph.size = RoundedSize(ch->size);
        glyph.color = ch->color;
        glyph.baseline = ch->origin.y;
        glyphs->push_back(glyph);
    }
    if (IsHorizontal(line)) {
        std::stable_sort(glyphs->begin(), glyphs->end(), [](const Glyph& a, const Glyph& b) {
            return a.raw.box.CenterX() < b.raw.box.CenterX();
        });
    }
    return true;
}

void ReadStext(fz_context* ctx, const fz_stext_page* text, RawPage* out) {
    StyleTable table(ctx, &out->styles);
    std::size_t total = 0;
    for (const fz_stext_block* block = text->first_block; block != nullptr; block = block->next) {
        if (block->type != FZ_STEXT_BLOCK_TEXT)
            continue;
        for (const fz_stext_line* line = block->u.t.first_line; line != nullptr;
             line = line->next) {
            std::vector<Glyph> glyphs;
            const bool more = ReadGlyphs(line, &total, &glyphs);
            if (!glyphs.empty())
                out->lines.push_back(BuildLine(&glyphs, &table));
            if (!more)
                return;
        }
    }
}

}  // namespace

bool ReadTextLines(fz_context* context, fz_display_list* list, RawPage* out, std::string* error) {
    fz_stext_options options{};
    options.flags = FZ_STEXT_MEDIABOX_CLIP;
    fz_stext_page* text = nullptr;
    fz_var(text);
    fz_try(context) text = fz_new_stext_page_from_display_list(context, list, &options);
    fz_catch(context) text = nullptr;
    if (text == nullptr) {
        *error = std::string("cannot read the page's text: ") + fz_caught_message(context);
        return false;
    }
    ReadStext(context, text, out);
    fz_drop_stext_page(context, text);
    MergeOverprintedLines(out);
    return true;
}

}  // namespace reconstruct
