#include "reconstruct/WordParagraphXml.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "reconstruct/OoxmlPackage.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

// Single spacing in Word is about this many times the font size for common faces.
constexpr double kNaturalLineFactor = 1.2;
// Exact line heights below this many font sizes would cut off the tops of tall glyphs.
constexpr double kTightestExactPitch = 1.05;
// The marker's room when a list item's indents leave none.
constexpr double kListHanging = 18;

std::string Attribute(const char* name, long value) {
    return std::string(" w:") + name + "=\"" + std::to_string(value) + "\"";
}

const char* Justification(Align align) {
    switch (align) {
        case Align::kCenter:
            return "center";
        case Align::kRight:
            return "right";
        case Align::kJustify:
            return "both";
        default:
            return "left";
    }
}

std::string IndentXml(const Paragraph& paragraph) {
    double left = paragraph.left_indent;
    double first = paragraph.first_line_indent;
    if (paragraph.list != ListKind::kNone && first >= 0) {
        // The marker sits where the item starts and the text one marker's room further in.
        left += kListHanging;
        first = -kListHanging;
    }
    std::string xml = "<w:ind" + Attribute("left", BoundedTwips(left)) +
                      Attribute("right", BoundedTwips(paragraph.right_indent));
    if (first < 0)
        xml += Attribute("hanging", BoundedTwips(-first));
    else if (first > 0)
        xml += Attribute("firstLine", BoundedTwips(first));
    return xml + "/>";
}

std::string BreakRunXml(BreakBefore brk) {
    return brk == BreakBefore::kColumn ? "<w:r><w:br w:type=\"column\"/></w:r>" : "";
}

std::string PageBreakXml(BreakBefore brk) {
    return brk == BreakBefore::kPage ? "<w:pageBreakBefore/>" : "";
}

// Text for w:t elements; tabs become Word's tab characters.
std::string TextXml(const std::string& text) {
    std::string xml;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t tab = std::min(text.find('\t', start), text.size());
        if (tab > start)
            xml += "<w:t xml:space=\"preserve\">" + XmlEscape(text.substr(start, tab - start)) +
                   "</w:t>";
        if (tab < text.size())
            xml += "<w:tab/>";
        start = tab + 1;
    }
    return xml;
}

std::string RunXml(const TextRun& run) {
    std::string xml = "<w:r>" + RunPropertiesXml(run) + TextXml(run.text) + "</w:r>";
    if (run.page_number)
        return "<w:fldSimple w:instr=\" PAGE \">" + xml + "</w:fldSimple>";
    return xml;
}

// `body` runs count towards the Normal style.
std::string RunsXml(const std::vector<TextRun>& runs, bool body, WordContext& context) {
    std::string xml;
    std::string open_link;
    for (const TextRun& run : runs) {
        if (run.text.empty())
            continue;
        context.fonts.Note(run, body);
        if (run.link != open_link) {
            if (!open_link.empty())
                xml += "</w:hyperlink>";
            if (!run.link.empty())
                xml += "<w:hyperlink r:id=\"" + context.relationships.AddHyperlink(run.link) +
                       "\" w:history=\"1\">";
            open_link = run.link;
        }
        xml += RunXml(run);
    }
    if (!open_link.empty())
        xml += "</w:hyperlink>";
    return xml;
}

std::string NumberingXml(const Paragraph& paragraph, WordContext& context) {
    const int instance = context.numbering.InstanceFor(paragraph);
    if (instance == 0)
        return "";
    const int level = std::clamp(paragraph.list_level, 0, WordNumbering::kLevels - 1);
    return "<w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" +
           std::to_string(instance) + "\"/></w:numPr>";
}

// Word draws a list's marker in the paragraph mark's face: a heading's "2.1.3" stays as bold and
// as large as its title.
std::string MarkerPropertiesXml(const Paragraph& paragraph, bool numbered) {
    if (!numbered || paragraph.list_marker_font.size <= 0)
        return "";
    TextRun mark;
    mark.font = paragraph.list_marker_font;
    return RunPropertiesXml(mark);
}

std::string TabsXml(std::vector<TabStop> stops) {
    if (stops.empty())
        return "";
    std::sort(stops.begin(), stops.end(),
              [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
    std::string xml = "<w:tabs>";
    for (const TabStop& stop : stops) {
        const char* kind = stop.align == Align::kRight    ? "right"
                           : stop.align == Align::kCenter ? "center"
                                                          : "left";
        xml += std::string("<w:tab w:val=\"") + kind + "\"" +
               Attribute("pos", BoundedTwips(std::max(0.0, stop.position))) + "/>";
    }
    return xml + "</w:tabs>";
}

}  // namespace

long BoundedTwips(double points) {
    if (!std::isfinite(points))
        return 0;
    return Twips(std::clamp(points, -kWordMaxLength, kWordMaxLength));
}

std::string HexColor(const Rgb& color) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const std::uint8_t part : {color.r, color.g, color.b}) {
        hex += kDigits[part >> 4];
        hex += kDigits[part & 0xF];
    }
    return hex;
}

std::string BorderXml(const char* side, double width, const Rgb& color, double space) {
    if (!(width > 0) || !std::isfinite(width))
        return std::string("<w:") + side + " w:val=\"nil\"/>";
    // Border widths are in eighths of a point, from a quarter point to twelve points; the space
    // from the text is in points, at most 31.
    const long eighths = std::lround(std::clamp(width * 8, 2.0, 96.0));
    const long points = std::isfinite(space) ? std::lround(std::clamp(space, 0.0, 31.0)) : 0;
    return std::string("<w:") + side + " w:val=\"single\" w:sz=\"" + std::to_string(eighths) +
           "\" w:space=\"" + std::to_string(points) + "\" w:color=\"" + HexColor(color) + "\"/>";
}

std::string RunPropertiesXml(const TextRun& run) {
    std::string xml = "<w:rPr>";
    if (!run.link.empty())
        xml += "<w:rStyle w:val=\"Hyperlink\"/>";
    if (!run.font.family.empty()) {
        const std::string family = XmlEscape(run.font.family);
        xml += "<w:rFonts w:ascii=\"" + family + "\" w:hAnsi=\"" + family + "\" w:eastAsia=\"" +
               family + "\" w:cs=\"" + family + "\"/>";
    }
    if (run.font.bold)
        xml += "<w:b/><w:bCs/>";
    if (run.font.italic)
        xml += "<w:i/><w:iCs/>";
    if (run.strike)
        xml += "<w:strike/>";
    xml += "<w:color w:val=\"" + HexColor(run.font.color) + "\"/>";
    if (run.letter_spacing != 0)
        xml += "<w:spacing" + Attribute("val", BoundedTwips(run.letter_spacing)) + "/>";
    if (run.font.size > 0) {
        const std::string size = std::to_string(HalfPoints(run.font.size));
        xml += "<w:sz w:val=\"" + size + "\"/><w:szCs w:val=\"" + size + "\"/>";
    }
    xml += run.underline      ? "<w:u w:val=\"single\"/>"
           : run.link.empty() ? ""
                              : "<w:u w:val=\"none\"/>";
    if (run.shift == VerticalShift::kSuperscript)
        xml += "<w:vertAlign w:val=\"superscript\"/>";
    else if (run.shift == VerticalShift::kSubscript)
        xml += "<w:vertAlign w:val=\"subscript\"/>";
    return xml + "</w:rPr>";
}

std::string SpacingXml(const Paragraph& paragraph) {
    std::string xml = "<w:spacing" +
                      Attribute("before", BoundedTwips(std::max(0.0, paragraph.space_before))) +
                      Attribute("after", BoundedTwips(std::max(0.0, paragraph.space_after)));
    double largest = 0;
    for (const TextRun& run : paragraph.runs)
        largest = std::max(largest, std::min(run.font.size, kWordMaxLength));
    const double natural = (largest > 0 ? largest : 12) * kNaturalLineFactor;
    const double pitch = std::min(
        paragraph.line_pitch > 0 ? paragraph.line_pitch : paragraph.usual_pitch, kWordMaxLength);
    if (!(pitch > 0))
        return xml + " w:line=\"240\" w:lineRule=\"auto\"/>";
    // The PDF's own pitch, whatever the height the substituted face would give its lines, so
    // that pages hold what they held; only a pitch too tight for the glyphs is left to the face.
    if (pitch >= largest * kTightestExactPitch)
        return xml + Attribute("line", Twips(pitch)) + " w:lineRule=\"exact\"/>";
    const long multiple = std::lround(std::clamp(240 * pitch / natural, 180.0, 720.0));
    return xml + Attribute("line", multiple) + " w:lineRule=\"auto\"/>";
}

namespace {

// The rules above and below a paragraph as its borders.
std::string RulesXml(const Paragraph& paragraph) {
    if (!paragraph.rule_above && !paragraph.rule_below)
        return {};
    std::string xml = "<w:pBdr>";
    if (const auto& rule = paragraph.rule_above)
        xml += BorderXml("top", rule->thickness, rule->color, rule->gap);
    if (const auto& rule = paragraph.rule_below)
        xml += BorderXml("bottom", rule->thickness, rule->color, rule->gap);
    return xml + "</w:pBdr>";
}

}  // namespace

std::string ParagraphXml(const Paragraph& paragraph, BreakBefore brk, WordContext& context) {
    std::string xml = "<w:p><w:pPr>";
    if (paragraph.heading_level >= 1 && paragraph.heading_level <= 6)
        xml += "<w:pStyle w:val=\"Heading" + std::to_string(paragraph.heading_level) + "\"/>";
    const std::string numbering = NumberingXml(paragraph, context);
    xml += PageBreakXml(brk) + numbering + RulesXml(paragraph);
    // A table of contents' page number goes to a right tab stop after the dots, so that a
    // slightly wider font does not push it onto a line of its own. The stop has no leader of its
    // own: many contents leave a gap between the dots and the number.
    const std::optional<ByteSpan> leader =
        paragraph.leader_tab > 0 ? FindDotLeader(paragraph.runs) : std::nullopt;
    Align align = paragraph.align;
    std::vector<TabStop> stops = paragraph.tab_stops;
    if (leader) {
        stops.push_back({paragraph.leader_tab, Align::kRight});
        align = align == Align::kJustify ? Align::kLeft : align;
    }
    xml += TabsXml(stops);
    xml += SpacingXml(paragraph) + IndentXml(paragraph) + "<w:jc w:val=\"" + Justification(align) +
           "\"/>" + MarkerPropertiesXml(paragraph, !numbering.empty()) + "</w:pPr>" +
           BreakRunXml(brk) +
           RunsXml(leader ? LeaderAsTab(paragraph.runs, *leader, paragraph.leader_dot_spacing)
                          : paragraph.runs,
                   context.body && paragraph.heading_level == 0, context);
    return xml + "</w:p>";
}

std::string PictureParagraphXml(const std::string& drawing_run, double indent, BreakBefore brk) {
    return "<w:p><w:pPr>" + PageBreakXml(brk) +
           "<w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/><w:ind" +
           Attribute("left", BoundedTwips(std::max(0.0, indent))) + "/></w:pPr>" +
           BreakRunXml(brk) + drawing_run + "</w:p>";
}

std::string SpacerParagraphXml(BreakBefore brk) {
    return "<w:p><w:pPr>" + PageBreakXml(brk) +
           "<w:spacing w:before=\"0\" w:after=\"0\" w:line=\"20\" "
           "w:lineRule=\"exact\"/><w:rPr><w:sz "
           "w:val=\"2\"/><w:szCs w:val=\"2\"/></w:rPr></w:pPr>" +
           BreakRunXml(brk) + "</w:p>";
}

}  // namespace reconstruct
