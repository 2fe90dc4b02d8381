#include "reconstruct/ParagraphBuilder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "reconstruct/ListMarkers.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

// A gap this much larger than the line pitch separates paragraphs.
constexpr double kParagraphGap = 1.3;
constexpr double kDefaultPitch = 1.2;    // baseline distance of single-spaced text, in sizes
constexpr double kLeastLinePitch = 0.9;  // closer lines overlap: not a pitch to keep
constexpr int kDeepestLevel = 8;
constexpr std::size_t kRowLookBack = 3;

struct Context {
    ColumnFrame frame;
    double pitch = kDefaultPitch;  // the column's usual baseline distance, in font sizes

    double Width() const { return frame.right - frame.left; }
    double Center() const { return (frame.left + frame.right) / 2; }
    double Tolerance(double size) const { return std::max(2.0, 0.3 * size); }
    bool IsHeadingSize(const TextLine& line) const { return line.size >= 1.3 * frame.body_size; }
    bool IsCentered(const TextLine& line) const {
        return std::abs(line.box.CenterX() - Center()) <= Tolerance(line.size) &&
               line.box.x0 > frame.left + 2 * line.size;
    }
};

struct LineGroup {
    std::vector<TextLine> lines;
    std::optional<ListMarker> marker;
    double text_x = 0;  // where the text after a list marker starts
    double right = 0;   // the furthest right any line reaches
    bool centered = true;

    void Add(TextLine line, const Context& context) {
        right = lines.empty() ? line.box.x1 : std::max(right, line.box.x1);
        centered = centered && context.IsCentered(line);
        lines.push_back(std::move(line));
    }
};

// Layout facts of a built paragraph that later passes over the column need.
struct ParagraphFacts {
    std::size_t block = 0;
    double marker_x = 0;
    int depth = 0;
    bool single_line = false;
    bool starts_cjk = false;
    double size = 0;
};

// True when no printed character of `line` stands within `box` across.
bool ClearOf(const TextLine& line, const Rect& box) {
    return std::none_of(line.chars.begin(), line.chars.end(), [&](const RawChar& c) {
        return !IsBlank(c.code) && c.box.x0 < box.x1 - 1 && c.box.x1 > box.x0 + 1;
    });
}

bool SameRow(const TextLine& a, const TextLine& b) {
    const double overlap = std::min(a.box.y1, b.box.y1) - std::max(a.box.y0, b.box.y0);
    // Side by side, or one in a gap of the other: a row of code joined with its comment still
    // takes the operator between them.
    const bool apart = ClearOf(a, b.box) || ClearOf(b, a.box);
    // Lines of one size drawn over each other are not one row; a smaller raised or lowered
    // piece within a line is.
    const bool within = std::min(a.size, b.size) < 0.8 * std::max(a.size, b.size);
    return (apart || within) && overlap >= 0.5 * std::min(a.box.Height(), b.box.Height());
}

// Pieces of one visual row (a superscript drawn apart, a word the PDF placed separately)
// become one line.
std::vector<FlowItem> MergeRows(const RawPage& page, std::vector<FlowItem> items) {
    std::stable_sort(items.begin(), items.end(), [](const FlowItem& a, const FlowItem& b) {
        return BoxOf(a).y0 < BoxOf(b).y0;
    });
    std::vector<FlowItem> merged;
    for (FlowItem& item : items) {
        auto* line = std::get_if<TextLine>(&item);
        TextLine* row = nullptr;
        for (std::size_t back = 1; line && back <= std::min(kRowLookBack, merged.size()); ++back) {
            auto* earlier = std::get_if<TextLine>(&merged[merged.size() - back]);
            if (earlier == nullptr)
                break;
            if (SameRow(*earlier, *line)) {
                row = earlier;
                break;
            }
        }
        if (row == nullptr) {
            merged.push_back(std::move(item));
            continue;
        }
        JoinRow(page, *line, row);
    }
    return merged;
}

// The most common baseline distance between neighbouring lines of one size, in sizes.
double PitchOf(const std::vector<FlowItem>& items) {
    std::map<long, int> counts;
    const TextLine* previous = nullptr;
    for (const FlowItem& item : items) {
        const auto* line = std::get_if<TextLine>(&item);
        if (line && previous && std::abs(line->size - previous->size) < 0.1 * line->size) {
            const double ratio = (line->baseline - previous->baseline) / line->size;
            if (ratio >= 0.9 && ratio <= 3)
                ++counts[std::lround(ratio * 20)];
        }
        previous = line;
    }
    auto best = counts.end();
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (best == counts.end() || it->second > best->second)
            best = it;
    }
    return best == counts.end() ? kDefaultPitch : best->first / 20.0;
}

LineGroup StartGroup(TextLine line, const Context& context) {
    LineGroup group;
    if (!context.IsHeadingSize(line))
        group.marker = FindListMarker(line.chars);
    group.text_x = group.marker ? line.chars[group.marker->length].box.x0 : line.box.x0;
    group.Add(std::move(line), context);
    return group;
}

bool EndsParagraph(const LineGroup& group, const TextLine& line, const Context& context) {
    const TextLine& previous = group.lines.back();
    const double size = std::max(previous.size, line.size);
    if (std::abs(previous.size - line.size) > std::max(0.5, 0.1 * size) ||
        previous.bold != line.bold)
        return true;
    const double pitch = group.lines.size() >= 2 ? group.lines[1].baseline - group.lines[0].baseline
                                                 : context.pitch * size;
    if (line.baseline - previous.baseline > pitch * kParagraphGap + 1)
        return true;
    if (!context.IsHeadingSize(line) && FindListMarker(line.chars))
        return true;
    // A table of contents' entry ends at its page number, led to it by dots or by a wide gap
    // (entries spaced evenly down a contents page look like the lines of one paragraph); code
    // keeps its lines.
    if (EndsInDotLeader(previous.chars) ||
        EndsInSpacedPageNumber(previous.chars, previous.size, context.frame.right) ||
        previous.code || line.code)
        return true;
    if (group.centered && context.IsCentered(line))
        return false;
    const double tolerance = context.Tolerance(size);
    if (group.lines.size() >= 2 && std::abs(line.box.x0 - group.lines[1].box.x0) > tolerance)
        return true;
    if (group.lines.size() == 1 && group.marker && std::abs(line.box.x0 - group.text_x) > tolerance)
        return true;
    if (group.lines.size() == 1 && std::abs(line.box.x0 - previous.box.x0) > 0.25 * context.Width())
        return true;
    // The line above stopped short although this line's first word would have fitted there.
    const double right = std::max(group.right, line.box.x1);
    return previous.box.x1 + 0.3 * size + FirstWordWidth(line) < right - tolerance;
}

double Spread(const std::vector<TextLine>& lines, std::size_t from, std::size_t to, bool right) {
    double low = 1e300;
    double high = -1e300;
    for (std::size_t i = from; i < to; ++i) {
        const double x = right ? lines[i].box.x1 : lines[i].box.x0;
        low = std::min(low, x);
        high = std::max(high, x);
    }
    return from < to ? high - low : 0;
}

Align AlignOf(const LineGroup& group, const Context& context) {
    const std::vector<TextLine>& lines = group.lines;
    const std::size_t count = lines.size();
    const double tolerance = std::max(1.0, 0.1 * lines.front().size);
    const double right_edge = context.frame.right;
    if (group.centered)
        return Align::kCenter;
    const bool reach_right = std::abs(lines.back().box.x1 - right_edge) <= 2 * tolerance;
    if (count == 1) {
        const bool pushed_right = lines.front().box.x0 > context.frame.left + 0.3 * context.Width();
        return reach_right && pushed_right ? Align::kRight : Align::kLeft;
    }
    if (reach_right && Spread(lines, 0, count, true) <= tolerance &&
        std::abs(lines[count - 1].box.x0 - lines[count - 2].box.x0) > tolerance)
        return Align::kRight;
    const bool justified = count > 2 ? Spread(lines, 0, count - 1, true) <= tolerance
                                     : std::abs(lines.front().box.x1 - right_edge) <= tolerance;
    return justified ? Align::kJustify : Align::kLeft;
}

int HeadingLevel(const LineGroup& group, double body_size) {
    const double ratio = group.lines.front().size / std::max(1.0, body_size);
    if (ratio >= 1.6)
        return 1;
    if (ratio >= 1.3)
        return 2;
    const bool bold = std::all_of(group.lines.begin(), group.lines.end(),
                                  [](const TextLine& line) { return line.bold; });
    return bold && ratio >= 1.1 && group.lines.size() <= 2 ? 3 : 0;
}

double Rounded(double points) {
    return std::round(points * 2) / 2;
}

void SetIndents(const LineGroup& group, const Context& context, Paragraph* paragraph) {
    if (paragraph->align == Align::kCenter || paragraph->align == Align::kRight)
        return;
    const std::vector<TextLine>& lines = group.lines;
    const double first_x = lines.front().box.x0;
    const double body_x = lines.size() >= 2 ? lines[1].box.x0 : group.text_x;
    paragraph->left_indent = Rounded(body_x - context.frame.left);
    paragraph->first_line_indent = Rounded(first_x - body_x);
    if (lines.size() < 2)
        return;
    const double short_by = context.frame.right - group.right;
    if (short_by > 2 * lines.front().size)
        paragraph->right_indent = Rounded(short_by);
}

Paragraph MakeParagraph(const RawPage& page, const LineGroup& group, const Context& context) {
    Paragraph paragraph;
    const std::size_t skip = group.marker ? group.marker->length : 0;
    for (std::size_t i = 0; i < group.lines.size(); ++i) {
        const std::span<const RawChar> chars(group.lines[i].chars);
        AppendLine(page, i == 0 ? chars.subspan(skip) : chars, &paragraph.runs);
        paragraph.box = paragraph.box.United(group.lines[i].box);
    }
    paragraph.align = AlignOf(group, context);
    SetIndents(group, context, &paragraph);
    const std::size_t count = group.lines.size();
    if (count >= 2)
        paragraph.line_pitch =
            Rounded((group.lines.back().baseline - group.lines.front().baseline) / (count - 1));
    paragraph.usual_pitch = Rounded(context.pitch * group.lines.front().size);
    paragraph.heading_level = HeadingLevel(group, context.frame.body_size);
    // The page number of a table of contents' entry stays where the PDF put it.
    const TextLine& last = group.lines.back();
    if (FindDotLeader(paragraph.runs)) {
        paragraph.leader_tab = Rounded(last.box.x1 - context.frame.left);
        paragraph.leader_dot_spacing = LeaderDotSpacing(last.chars);
    } else if (count == 1 && EndsInSpacedPageNumber(last.chars, last.size, context.frame.right)) {
        paragraph.runs = SpacedPageNumberAsTab(paragraph.runs);
        paragraph.tab_stops.push_back({Rounded(last.box.x1 - context.frame.left), Align::kRight});
        paragraph.align = Align::kLeft;
    }
    if (group.marker) {
        paragraph.list = group.marker->kind;
        paragraph.list_marker = group.marker->text;
        paragraph.list_number = group.marker->number;
        const std::span<const RawChar> first(group.lines.front().chars);
        const std::vector<TextRun> marker = RunsOf(page, first.first(std::min(skip, first.size())));
        if (!marker.empty())
            paragraph.list_marker_font = marker.front().font;
    }
    return paragraph;
}

// Blocks of the column with the spacing between them.
class ColumnBlocks {
public:
    explicit ColumnBlocks(const Context& context)
        : context_(context), last_bottom_(context.frame.top) {}

    void AddParagraph(const RawPage& page, const LineGroup& group) {
        Paragraph paragraph = MakeParagraph(page, group, context_);
        const TextLine& first = group.lines.front();
        if (last_baseline_) {
            const double gap = first.baseline - *last_baseline_;
            // A lone line set closer to the one above than the page's usual pitch (a contents
            // page's sub-entries under entries spaced wide apart) keeps that distance.
            if (paragraph.line_pitch <= 0 && gap < context_.pitch * first.size &&
                gap >= kLeastLinePitch * first.size)
                paragraph.line_pitch = Rounded(gap);
            const double pitch =
                paragraph.line_pitch > 0 ? paragraph.line_pitch : context_.pitch * first.size;
            paragraph.space_before = Rounded(std::max(0.0, gap - pitch));
        } else if (last_bottom_) {
            paragraph.space_before = Rounded(std::max(0.0, paragraph.box.y0 - *last_bottom_));
        }
        last_bottom_ = paragraph.box.y1;
        last_baseline_ = group.lines.back().baseline;
        facts_.push_back({blocks_.size(), first.box.x0, group.marker ? group.marker->depth : 0,
                          group.lines.size() == 1, IsCjk(FirstCode(first)), first.size});
        blocks_.push_back(std::move(paragraph));
    }

    void AddBlock(Block block, const Rect& box) {
        if (last_baseline_ && !blocks_.empty()) {
            auto& previous = std::get<Paragraph>(blocks_.back());
            previous.space_after = Rounded(std::max(0.0, box.y0 - previous.box.y1));
        }
        last_bottom_ = box.y1;
        last_baseline_.reset();
        blocks_.push_back(std::move(block));
    }

    std::vector<Block> Finish() {
        AssignListLevels();
        IndentSingleLines();
        return std::move(blocks_);
    }

private:
    static char32_t FirstCode(const TextLine& line) {
        for (const RawChar& c : line.chars) {
            if (!IsBlank(c.code))
                return c.code;
        }
        return 0;
    }

    Paragraph& At(const ParagraphFacts& facts) { return std::get<Paragraph>(blocks_[facts.block]); }

    // Items whose markers stand further right are nested deeper.
    void AssignListLevels() {
        std::vector<double> indents;
        for (const ParagraphFacts& facts : facts_) {
            if (At(facts).list != ListKind::kNone)
                indents.push_back(facts.marker_x);
        }
        std::sort(indents.begin(), indents.end());
        std::vector<double> levels;
        for (double x : indents) {
            if (levels.empty() || x - levels.back() > 3)
                levels.push_back(x);
        }
        for (const ParagraphFacts& facts : facts_) {
            Paragraph& paragraph = At(facts);
            if (paragraph.list == ListKind::kNone)
                continue;
            const auto at = std::upper_bound(levels.begin(), levels.end(), facts.marker_x + 3);
            const int level = static_cast<int>(at - levels.begin()) - 1;
            paragraph.list_level = std::min(kDeepestLevel, std::max({0, level, facts.depth}));
        }
    }

    // A one-line paragraph indented like the first lines of the column's other paragraphs (or
    // by two characters in Chinese text) has a first-line indent, not a left indent.
    void IndentSingleLines() {
        std::map<long, int> counts;
        for (const ParagraphFacts& facts : facts_) {
            const Paragraph& paragraph = At(facts);
            if (!facts.single_line && paragraph.list == ListKind::kNone &&
                paragraph.first_line_indent > 1)
                ++counts[std::lround(paragraph.first_line_indent)];
        }
        long usual = 0;
        int best = 0;
        for (const auto& [indent, count] : counts) {
            if (count > best) {
                usual = indent;
                best = count;
            }
        }
        for (const ParagraphFacts& facts : facts_) {
            Paragraph& paragraph = At(facts);
            if (!facts.single_line || paragraph.list != ListKind::kNone ||
                paragraph.left_indent <= 1 || paragraph.align != Align::kLeft)
                continue;
            const double indent = paragraph.left_indent;
            const bool like_others = best > 0 && std::abs(indent - usual) <= 1.5;
            const bool two_chars =
                facts.starts_cjk && indent >= 1.5 * facts.size && indent <= 2.5 * facts.size;
            if (!like_others && !two_chars)
                continue;
            paragraph.first_line_indent = indent;
            paragraph.left_indent = 0;
        }
    }

    Context context_;
    std::vector<Block> blocks_;
    std::vector<ParagraphFacts> facts_;
    std::optional<double> last_bottom_;
    std::optional<double> last_baseline_;
};

}  // namespace

Rect BoxOf(const FlowItem& item) {
    return std::visit([](const auto& thing) { return thing.box; }, item);
}

std::vector<Block> BuildColumn(const RawPage& page, std::vector<FlowItem> items,
                               const ColumnFrame& frame) {
    items = MergeRows(page, std::move(items));
    const Context context{frame, PitchOf(items)};
    ColumnBlocks column(context);
    std::optional<LineGroup> group;
    for (FlowItem& item : items) {
        if (auto* line = std::get_if<TextLine>(&item)) {
            if (group && EndsParagraph(*group, *line, context)) {
                column.AddParagraph(page, *group);
                group.reset();
            }
            if (group)
                group->Add(std::move(*line), context);
            else
                group = StartGroup(std::move(*line), context);
            continue;
        }
        if (group)
            column.AddParagraph(page, *group);
        group.reset();
        const Rect box = BoxOf(item);
        if (auto* table = std::get_if<Table>(&item))
            column.AddBlock(std::move(*table), box);
        else
            column.AddBlock(std::move(std::get<Image>(item)), box);
    }
    if (group)
        column.AddParagraph(page, *group);
    return column.Finish();
}

}  // namespace reconstruct
