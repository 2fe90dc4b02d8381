#include "reconstruct/SlideXml.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "reconstruct/TableGrid.h"

namespace reconstruct {
namespace {

constexpr char kSlideStart[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<p:sld xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"><p:cSld><p:spTree>"
    "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
    "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";
constexpr char kSlideEnd[] =
    "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";

// Tables beyond this many rows or columns do not open in every presentation program; their
// cells become text boxes instead.
constexpr int kMaxTableSide = 75;
// Room added to a text box so that a face slightly wider than the PDF's does not wrap a line.
constexpr double kMinSlack = 2;          // points
constexpr double kSlackFraction = 0.04;  // of the box's width
constexpr double kCellMargin = 1.5;      // points

std::string Hex(Rgb color) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", color.r, color.g, color.b);
    return text;
}

std::string Attribute(const char* name, long value) {
    return std::string(" ") + name + "=\"" + std::to_string(value) + "\"";
}

const char* AlignmentOf(Align align) {
    switch (align) {
        case Align::kCenter:
            return "ctr";
        case Align::kRight:
            return "r";
        case Align::kJustify:
            return "just";
        case Align::kLeft:
            break;
    }
    return "l";
}

// A broken document can carry infinite or undefined coordinates; they must not reach the XML.
double Finite(double points) {
    constexpr double kFarAway = 1e7;
    return std::isfinite(points) ? std::clamp(points, -kFarAway, kFarAway) : 0;
}

// Widens a text box on the side its text grows towards.
Rect WithSlack(Rect box, Align align) {
    const double slack = std::max(kMinSlack, box.Width() * kSlackFraction);
    const double left_share = align == Align::kRight ? 1 : align == Align::kCenter ? 0.5 : 0;
    box.x0 -= slack * left_share;
    box.x1 += slack * (1 - left_share);
    return box;
}

class SlideBuilder {
public:
    SlideBuilder(const SlideFrame& frame, SlideContent* content)
        : frame_(frame), content_(content) {
        content_->relationships.push_back(
            {"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml", false});
    }

    void Add(const Page& page) {
        if (page.page_image)
            AddPicture(*page.page_image, {0, 0, page.width, page.height});
        for (const Region& region : page.regions) {
            for (const Block& block : region.blocks)
                AddBlock(block);
        }
        content_->xml = kSlideStart + pictures_ + tables_ + texts_ + kSlideEnd;
    }

private:
    long X(double x) const { return Emu(Finite(frame_.x + x * frame_.scale)); }
    long Y(double y) const { return Emu(Finite(frame_.y + y * frame_.scale)); }
    long Length(double points) const { return Emu(Finite(std::max(0.0, points) * frame_.scale)); }
    // Hundredths of a point, as font sizes and line pitches are given.
    long Hundredths(double points, long low, long high) const {
        return std::clamp(std::lround(Finite(points * frame_.scale) * 100), low, high);
    }

    std::string Placement(const Rect& box) const {
        return "<a:off" + Attribute("x", X(box.x0)) + Attribute("y", Y(box.y0)) + "/><a:ext" +
               Attribute("cx", Length(box.Width())) + Attribute("cy", Length(box.Height())) + "/>";
    }

    std::string Identity(const char* kind) {
        const int id = next_shape_id_++;
        return "<p:cNvPr" + Attribute("id", id) + " name=\"" + kind + " " + std::to_string(id) +
               "\"/>";
    }

    void AddBlock(const Block& block) {
        if (const auto* paragraph = std::get_if<Paragraph>(&block))
            AddTextBox(*paragraph);
        else if (const auto* table = std::get_if<Table>(&block))
            AddTable(*table);
        else
            AddPicture(std::get<Image>(block), std::get<Image>(block).box);
    }

    void AddPicture(const Image& image, const Rect& box) {
        const char* extension = image.mime == "image/jpeg"  ? "jpeg"
                                : image.mime == "image/png" ? "png"
                                                            : nullptr;
        if (extension == nullptr || image.bytes.empty() || !(box.Width() > 0) ||
            !(box.Height() > 0))
            return;
        const std::string id = "rPic" + std::to_string(content_->pictures.size() + 1);
        content_->pictures.push_back({id, &image, extension});
        pictures_ += "<p:pic><p:nvPicPr>" + Identity("Picture") +
                     "<p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr><p:nvPr/>"
                     "</p:nvPicPr><p:blipFill><a:blip r:embed=\"" +
                     id + "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm>" +
                     Placement(box) +
                     "</a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr>"
                     "</p:pic>";
    }

    void AddTextBox(const Paragraph& paragraph) {
        if (paragraph.runs.empty())
            return;
        texts_ += "<p:sp><p:nvSpPr>" + Identity("Text") +
                  "<p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm>" +
                  Placement(WithSlack(paragraph.box, paragraph.align)) +
                  "</a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/>"
                  "</p:spPr><p:txBody><a:bodyPr wrap=\"square\" lIns=\"0\" tIns=\"0\" "
                  "rIns=\"0\" bIns=\"0\" rtlCol=\"0\" anchor=\"t\"><a:noAutofit/></a:bodyPr>"
                  "<a:lstStyle/>" +
                  ParagraphXml(paragraph) + "</p:txBody></p:sp>";
    }

    std::string ParagraphXml(const Paragraph& paragraph) {
        std::string xml = std::string("<a:p><a:pPr algn=\"") + AlignmentOf(paragraph.align) + "\"" +
                          IndentAttributes(paragraph) + ">";
        if (paragraph.line_pitch > 0) {
            xml += "<a:lnSpc><a:spcPts" +
                   Attribute("val", Hundredths(paragraph.line_pitch, 0, 158400)) + "/></a:lnSpc>";
        }
        xml += "<a:buNone/></a:pPr>";
        if (!paragraph.list_marker.empty() && !paragraph.runs.empty()) {
            TextRun marker = paragraph.runs.front();
            marker.text = paragraph.list_marker + " ";
            marker.link.clear();
            xml += RunXml(marker);
        }
        for (const TextRun& run : paragraph.runs)
            xml += RunXml(run);
        return xml + "</a:p>";
    }

    // The box starts where the paragraph's leftmost line does: an indented first line moves
    // right of it, a hanging one leaves the other lines to the right.
    std::string IndentAttributes(const Paragraph& paragraph) const {
        const double indent = Finite(paragraph.first_line_indent);
        if (indent > 0)
            return Attribute("indent", Length(indent));
        if (indent < 0)
            return Attribute("marL", Length(-indent)) + Attribute("indent", -Length(-indent));
        return {};
    }

    std::string RunXml(const TextRun& run) {
        std::string properties;
        if (run.font.size > 0 && std::isfinite(run.font.size))
            properties += Attribute("sz", Hundredths(run.font.size, 100, 400000));
        properties += run.font.bold ? " b=\"1\"" : "";
        properties += run.font.italic ? " i=\"1\"" : "";
        properties += run.underline ? " u=\"sng\"" : "";
        properties += run.strike ? " strike=\"sngStrike\"" : "";
        if (run.shift != VerticalShift::kNone)
            properties += run.shift == VerticalShift::kSuperscript ? " baseline=\"30000\""
                                                                   : " baseline=\"-25000\"";
        std::string children =
            "<a:solidFill><a:srgbClr val=\"" + Hex(run.font.color) + "\"/></a:solidFill>";
        if (!run.font.family.empty()) {
            const std::string face = "typeface=\"" + XmlEscape(run.font.family) + "\"/>";
            children += "<a:latin " + face + "<a:ea " + face + "<a:cs " + face;
        }
        if (!run.link.empty())
            children += "<a:hlinkClick r:id=\"" + LinkId(run.link) + "\"/>";
        return "<a:r><a:rPr" + properties + " dirty=\"0\">" + children + "</a:rPr><a:t>" +
               XmlEscape(run.text) + "</a:t></a:r>";
    }

    std::string LinkId(const std::string& uri) {
        const auto found = link_ids_.find(uri);
        if (found != link_ids_.end())
            return found->second;
        const std::string id = "rLink" + std::to_string(link_ids_.size() + 1);
        link_ids_.emplace(uri, id);
        content_->relationships.push_back({id, "hyperlink", uri, true});
        return id;
    }

    void AddTable(const Table& table) {
        const TableGrid grid(table, kMaxTableSide + 1, kMaxTableSide + 1);
        const bool fits = grid.Rows() <= kMaxTableSide && grid.Columns() <= kMaxTableSide &&
                          grid.Rows() == static_cast<int>(table.row_heights.size()) &&
                          grid.Columns() == static_cast<int>(table.column_widths.size());
        if (!fits || grid.Rows() == 0 || grid.Columns() == 0) {
            for (const Cell& cell : table.cells) {
                for (const Paragraph& paragraph : cell.paragraphs)
                    AddTextBox(paragraph);
            }
            return;
        }
        std::string xml = "<p:graphicFrame><p:nvGraphicFramePr>" + Identity("Table") +
                          "<p:cNvGraphicFramePr><a:graphicFrameLocks noGrp=\"1\"/>"
                          "</p:cNvGraphicFramePr><p:nvPr/></p:nvGraphicFramePr><p:xfrm>" +
                          Placement(table.box) +
                          "</p:xfrm><a:graphic><a:graphicData "
                          "uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\">"
                          "<a:tbl><a:tblPr/><a:tblGrid>";
        for (double width : table.column_widths)
            xml += "<a:gridCol" + Attribute("w", Length(width)) + "/>";
        xml += "</a:tblGrid>";
        for (int r = 0; r < grid.Rows(); ++r) {
            xml += "<a:tr" + Attribute("h", Length(table.row_heights[r])) + ">";
            for (int c = 0; c < grid.Columns(); ++c)
                xml += GridCellXml(table, grid, r, c);
            xml += "</a:tr>";
        }
        tables_ += xml + "</a:tbl></a:graphicData></a:graphic></p:graphicFrame>";
    }

    // Every grid position has a cell element; those a merge covers say so and stay empty.
    std::string GridCellXml(const Table& table, const TableGrid& grid, int row, int column) {
        const int owner = grid.Owner(row, column);
        const Cell* cell = owner >= 0 ? &table.cells[owner] : nullptr;
        const bool origin = cell != nullptr && cell->row == row && cell->column == column;
        std::string attributes;
        if (origin) {
            const TableGrid::Placed& placed = *grid.Find(owner);
            if (placed.last_column > column)
                attributes += Attribute("gridSpan", placed.last_column - column + 1);
            if (placed.last_row > row)
                attributes += Attribute("rowSpan", placed.last_row - row + 1);
        } else if (cell != nullptr) {
            attributes += column > cell->column ? " hMerge=\"1\"" : "";
            attributes += row > cell->row ? " vMerge=\"1\"" : "";
        }
        std::string body;
        if (origin) {
            for (const Paragraph& paragraph : cell->paragraphs)
                body += paragraph.runs.empty() ? "" : ParagraphXml(paragraph);
        }
        if (body.empty())
            body = "<a:p><a:endParaRPr/></a:p>";
        return "<a:tc" + attributes + "><a:txBody><a:bodyPr/><a:lstStyle/>" + body + "</a:txBody>" +
               CellPropertiesXml(origin ? cell : nullptr) + "</a:tc>";
    }

    std::string CellPropertiesXml(const Cell* cell) const {
        const long margin = Length(kCellMargin);
        std::string xml = "<a:tcPr" + Attribute("marL", margin) + Attribute("marR", margin) +
                          Attribute("marT", margin) + Attribute("marB", margin) +
                          " anchor=\"ctr\">";
        const CellBorders borders = cell != nullptr ? cell->borders : CellBorders{};
        const std::pair<const char*, double> sides[] = {{"lnL", borders.left},
                                                        {"lnR", borders.right},
                                                        {"lnT", borders.top},
                                                        {"lnB", borders.bottom}};
        for (const auto& [side, width] : sides) {
            const std::string fill = width > 0 ? "<a:solidFill><a:srgbClr val=\"" +
                                                     Hex(borders.color) + "\"/></a:solidFill>"
                                               : "<a:noFill/>";
            xml += std::string("<a:") + side + Attribute("w", Length(width)) + ">" + fill +
                   "</a:" + side + ">";
        }
        if (cell != nullptr && cell->shading)
            xml += "<a:solidFill><a:srgbClr val=\"" + Hex(*cell->shading) + "\"/></a:solidFill>";
        else
            xml += "<a:noFill/>";
        return xml + "</a:tcPr>";
    }

    SlideFrame frame_;
    SlideContent* content_;
    int next_shape_id_ = 2;
    std::map<std::string, std::string> link_ids_;
    std::string pictures_;
    std::string tables_;
    std::string texts_;
};

}  // namespace

SlideFrame FrameFor(double page_width, double page_height, double slide_width,
                    double slide_height) {
    if (!(page_width > 0) || !(page_height > 0))
        return {};
    const double scale = std::min(slide_width / page_width, slide_height / page_height);
    return {scale, (slide_width - page_width * scale) / 2,
            (slide_height - page_height * scale) / 2};
}

SlideContent BuildSlide(const Page& page, const SlideFrame& frame) {
    SlideContent content;
    SlideBuilder(frame, &content).Add(page);
    return content;
}

}  // namespace reconstruct
