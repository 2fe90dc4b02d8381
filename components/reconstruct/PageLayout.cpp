#include "reconstruct/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "reconstruct/ColumnFinder.h"
#include "reconstruct/ParagraphBuilder.h"
#include "reconstruct/TextLine.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr double kLeastMargin = 18;
constexpr double kMostMarginShare = 0.4;
// Of the page area: a picture this big with text on it is the page itself (a letterhead, an
// OCR layer over its scan); smaller ones are figures, which text may overlap.
constexpr double kBackgroundShare = 0.85;
constexpr double kDefaultBodySize = 10;
// Line heights: a contents entry's label ("2.1.8", "Appendix D") is no longer than this.
constexpr double kLongestLabel = 8;

bool InsideAny(const std::vector<Table>& tables, const Rect& box) {
    return std::any_of(tables.begin(), tables.end(), [&](const Table& table) {
        return table.box.Contains(box.CenterX(), box.CenterY());
    });
}

// The page's text lines without running headers and footers and without what the tables hold.
std::vector<TextLine> BodyLines(const RawPage& page, const std::vector<Table>& tables,
                                const std::vector<bool>& running) {
    std::vector<TextLine> lines;
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        if (running[i])
            continue;
        const RawLine& raw = page.lines[i];
        std::vector<RawChar> chars;
        for (const RawChar& c : raw.chars) {
            if (!InsideAny(tables, c.box))
                chars.push_back(c);
        }
        if (auto line = MakeTextLine(page, std::move(chars), raw.baseline))
            lines.push_back(std::move(*line));
    }
    return lines;
}

// The size most of the body text has.
double BodySize(const std::vector<TextLine>& lines) {
    std::map<double, std::size_t> counts;
    for (const TextLine& line : lines)
        counts[line.size] += line.chars.size();
    double best = kDefaultBodySize;
    std::size_t most = 0;
    for (const auto& [size, count] : counts) {
        if (count > most) {
            best = size;
            most = count;
        }
    }
    return best;
}

// Pictures and vector drawings that stand in the flow; a picture covering most of the page
// with text on it is the page's background, not part of the flow.
std::vector<Image> FlowImages(const RawPage& page, const std::vector<TextLine>& lines) {
    std::vector<Image> images;
    for (const RawImage& raw : page.images)
        images.push_back({raw.box, raw.mime, raw.bytes, raw.pixel_width, raw.pixel_height});
    for (const RawGraphic& raw : page.graphics)
        images.push_back({raw.box, "image/png", raw.png, raw.pixel_width, raw.pixel_height});
    const double page_area = page.width * page.height;
    std::erase_if(images, [&](const Image& image) {
        if (!IsFiniteBox(image.box) || image.box.IsEmpty() || image.bytes.empty())
            return true;
        if (image.box.Width() * image.box.Height() < kBackgroundShare * page_area)
            return false;
        return std::any_of(lines.begin(), lines.end(), [&](const TextLine& line) {
            return image.box.Contains(line.box.CenterX(), line.box.CenterY());
        });
    });
    return images;
}

double ClampMargin(double margin, double page_extent) {
    return std::clamp(margin, kLeastMargin, std::max(kLeastMargin, kMostMarginShare * page_extent));
}

Margins MarginsOf(const RawPage& page, const std::vector<FlowItem>& items) {
    Rect extent;
    for (const FlowItem& item : items)
        extent = extent.United(BoxOf(item));
    Margins margins;
    if (!extent.IsEmpty())
        margins = {extent.x0, extent.y0, page.width - extent.x1, page.height - extent.y1};
    margins.left = ClampMargin(margins.left, page.width);
    margins.right = ClampMargin(margins.right, page.width);
    margins.top = ClampMargin(margins.top, page.height);
    margins.bottom = ClampMargin(margins.bottom, page.height);
    return margins;
}

// A piece of a line between wide gaps. Dots at its start or end are part of a leader, which
// carries a contents entry across its gaps to the title and to the page number.
struct Piece {
    Rect box;
    bool dots_first = false;
    bool dots_last = false;
    bool entry = false;  // a contents entry: holds a leader, or ends in one and its number
    bool code = false;   // of a line of code
};

Piece PieceOf(std::span<const RawChar> chars, bool code) {
    Piece piece;
    piece.code = code;
    for (const RawChar& c : chars)
        piece.box = piece.box.IsEmpty() ? c.box : piece.box.United(c.box);
    piece.dots_first = HasLeaderDotsAt(chars, Edge::kStart);
    piece.dots_last = HasLeaderDotsAt(chars, Edge::kEnd);
    piece.entry = piece.dots_first || piece.dots_last || EndsInDotLeader(chars);
    return piece;
}

// Lines cut where their words stand far apart: a line the PDF drew across a gutter shows the
// gutter only once cut.
void AddPieces(const TextLine& line, std::vector<Piece>* pieces) {
    const double wide_gap = std::max(7.0, 1.2 * line.size);
    std::vector<RawChar> chars;
    double right = 0;
    for (const RawChar& c : line.chars) {
        if (IsBlank(c.code))
            continue;
        if (!chars.empty() && c.box.x0 - right > wide_gap) {
            pieces->push_back(PieceOf(chars, line.code));
            chars.clear();
        }
        right = chars.empty() ? c.box.x1 : std::max(right, c.box.x1);
        chars.push_back(c);
    }
    if (!chars.empty())
        pieces->push_back(PieceOf(chars, line.code));
}

bool SameRow(const Rect& a, const Rect& b) {
    return std::abs(a.CenterY() - b.CenterY()) <= 0.3 * std::min(a.Height(), b.Height());
}

// Merges neighbours of a row, left to right, where `joins` says so and the gap is no wider than
// a few line heights.
template <typename Joins>
std::vector<Piece> JoinNeighbours(const std::vector<Piece>& row, Joins joins) {
    std::vector<Piece> joined;
    for (const Piece& next : row) {
        if (!joined.empty()) {
            Piece& last = joined.back();
            const double reach = 3 * std::max(last.box.Height(), next.box.Height());
            if (joins(last, next) && next.box.x0 - last.box.x1 <= reach) {
                last.box = last.box.United(next.box);
                last.entry = true;
                last.code = last.code && next.code;
                last.dots_last = next.dots_last;
                continue;
            }
        }
        joined.push_back(next);
    }
    return joined;
}

// The pieces, with each contents entry of a row made one: its leader carries it across
// any gap between its title and its page number, and it takes in the label just left of it
// ("2.1.8", "Appendix D"), however the PDF drew them. Otherwise titles or labels of one length
// line up into a column of their own.
std::vector<Piece> JoinedEntries(std::vector<Piece> pieces) {
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.box.CenterY() < b.box.CenterY(); });
    std::vector<Piece> joined;
    for (std::size_t first = 0; first < pieces.size();) {
        std::size_t last = first + 1;
        while (last < pieces.size() && SameRow(pieces[first].box, pieces[last].box))
            ++last;
        std::vector<Piece> row(pieces.begin() + first, pieces.begin() + last);
        std::sort(row.begin(), row.end(),
                  [](const Piece& a, const Piece& b) { return a.box.x0 < b.box.x0; });
        row = JoinNeighbours(row, [](const Piece& left, const Piece& right) {
            return left.dots_last || right.dots_first;
        });
        row = JoinNeighbours(row, [](const Piece& left, const Piece& right) {
            return right.entry && !left.entry &&
                   left.box.Width() <= kLongestLabel * left.box.Height();
        });
        joined.insert(joined.end(), row.begin(), row.end());
        first = last;
    }
    return joined;
}

// Code lines its parts up with spaces into what looks like columns, its comments often in the
// text face: a gutter with nothing but code to its left is such an alignment, not the page's
// columns.
bool OnlyCodeLeftOf(const Gutter& gutter, const std::vector<Piece>& pieces) {
    return std::all_of(pieces.begin(), pieces.end(), [&](const Piece& piece) {
        return piece.code || !IsSplitBy(gutter, piece.box) || piece.box.x0 >= gutter.x1 - 0.5;
    });
}

bool Straddles(const TextLine& line, const Gutter& gutter) {
    const double y = line.box.CenterY();
    if (y < gutter.y0 || y > gutter.y1 || line.box.x0 >= gutter.x0 || line.box.x1 <= gutter.x1)
        return false;
    return std::none_of(line.chars.begin(), line.chars.end(), [&](const RawChar& c) {
        return !IsBlank(c.code) && c.box.x0 < gutter.x1 - 0.5 && c.box.x1 > gutter.x0 + 0.5;
    });
}

void SplitAtGutters(const RawPage& page, TextLine line, const std::vector<Gutter>& gutters,
                    std::vector<FlowItem>* items) {
    std::vector<TextLine> parts{std::move(line)};
    for (const Gutter& gutter : gutters) {
        std::vector<TextLine> next;
        for (TextLine& part : parts) {
            if (!Straddles(part, gutter)) {
                next.push_back(std::move(part));
                continue;
            }
            const double middle = (gutter.x0 + gutter.x1) / 2;
            std::vector<RawChar> left;
            std::vector<RawChar> right;
            for (const RawChar& c : part.chars)
                (c.box.CenterX() < middle ? left : right).push_back(c);
            for (auto* chars : {&left, &right}) {
                if (auto piece = MakeTextLine(page, std::move(*chars), part.baseline))
                    next.push_back(std::move(*piece));
            }
        }
        parts = std::move(next);
    }
    for (TextLine& part : parts)
        items->emplace_back(std::in_place_type<TextLine>, std::move(part));
}

struct Band {
    std::vector<int> gutters;  // indices of the gutters that split it, left to right
    std::vector<FlowItem> items;
};

// Stretches of the page with one column layout, top to bottom.
std::vector<Band> BandsOf(std::vector<FlowItem> items, const std::vector<Gutter>& gutters) {
    std::stable_sort(items.begin(), items.end(), [](const FlowItem& a, const FlowItem& b) {
        return BoxOf(a).y0 < BoxOf(b).y0;
    });
    std::vector<Band> bands;
    for (FlowItem& item : items) {
        std::vector<int> splitting;
        for (std::size_t i = 0; i < gutters.size(); ++i) {
            if (IsSplitBy(gutters[i], BoxOf(item)))
                splitting.push_back(static_cast<int>(i));
        }
        if (bands.empty() || bands.back().gutters != splitting)
            bands.push_back({std::move(splitting), {}});
        bands.back().items.push_back(std::move(item));
    }
    return bands;
}

Region RegionOf(const RawPage& page, Band band, const std::vector<Gutter>& gutters,
                const Margins& margins, double body_size, double top) {
    Region region;
    if (band.gutters.empty()) {
        const ColumnFrame frame{margins.left, page.width - margins.right, body_size, top};
        region.blocks = BuildColumn(page, std::move(band.items), frame);
        return region;
    }
    std::vector<std::vector<FlowItem>> columns(band.gutters.size() + 1);
    for (FlowItem& item : band.items) {
        const double x = BoxOf(item).CenterX();
        std::size_t column = 0;
        for (int index : band.gutters)
            column += (gutters[index].x0 + gutters[index].x1) / 2 < x ? 1 : 0;
        columns[column].push_back(std::move(item));
    }
    double gaps = 0;
    for (int index : band.gutters)
        gaps += gutters[index].x1 - gutters[index].x0;
    region.columns = static_cast<int>(columns.size());
    region.column_gap = std::round(gaps / static_cast<double>(band.gutters.size()) * 2) / 2;
    for (std::vector<FlowItem>& column : columns) {
        if (column.empty())
            continue;
        Rect extent;
        for (const FlowItem& item : column)
            extent = extent.United(BoxOf(item));
        std::vector<Block> blocks =
            BuildColumn(page, std::move(column), {extent.x0, extent.x1, body_size, top});
        std::move(blocks.begin(), blocks.end(), std::back_inserter(region.blocks));
    }
    return region;
}

}  // namespace

Page LayOutPage(const RawPage& page, std::vector<Table> tables,
                const RunningTextDetector& running) {
    std::erase_if(tables, [](const Table& table) { return !IsFiniteBox(table.box); });
    Page out;
    out.index = page.index;
    out.width = page.width;
    out.height = page.height;
    RunningTextDetector::PageRunning found = running.OnPage(page);
    out.shows_header = found.header;
    out.shows_footer = found.footer;
    out.own_header = std::move(found.own_header);
    out.own_footer = std::move(found.own_footer);
    std::vector<TextLine> lines = BodyLines(page, tables, found.running);
    const double body_size = BodySize(lines);
    std::vector<Image> images = FlowImages(page, lines);

    std::vector<Piece> line_pieces;
    for (const TextLine& line : lines)
        AddPieces(line, &line_pieces);
    std::vector<Piece> pieces = JoinedEntries(std::move(line_pieces));
    for (const Table& table : tables)
        pieces.push_back({table.box});
    for (const Image& image : images)
        pieces.push_back({image.box});
    std::vector<Rect> boxes;
    for (const Piece& piece : pieces)
        boxes.push_back(piece.box);
    std::vector<Gutter> gutters = FindGutters(boxes, body_size);
    std::erase_if(gutters, [&](const Gutter& gutter) { return OnlyCodeLeftOf(gutter, pieces); });

    std::vector<FlowItem> items;
    for (TextLine& line : lines)
        SplitAtGutters(page, std::move(line), gutters, &items);
    for (Table& table : tables)
        items.push_back(std::move(table));
    for (Image& image : images)
        items.push_back(std::move(image));
    out.margins = MarginsOf(page, items);

    // Each band keeps its distance from the one above, as the first band does from the top
    // margin.
    double top = out.margins.top;
    for (Band& band : BandsOf(std::move(items), gutters)) {
        double bottom = top;
        for (const FlowItem& item : band.items)
            bottom = std::max(bottom, BoxOf(item).y1);
        out.regions.push_back(
            RegionOf(page, std::move(band), gutters, out.margins, body_size, top));
        top = bottom;
    }
    return out;
}

}  // namespace reconstruct
