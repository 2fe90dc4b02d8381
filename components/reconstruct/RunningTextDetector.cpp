#include "reconstruct/RunningTextDetector.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string_view>

#include "reconstruct/Numerals.h"
#include "reconstruct/TextLine.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr double kEdgeZone = 0.12;         // share of the page height where running text stands
constexpr double kSamePlace = 6;           // points a running line may move between pages
constexpr std::size_t kLongestLine = 200;  // characters; longer lines are body text
constexpr std::size_t kMostPerEdge = 6;
constexpr double kLongRule = 0.3;  // share of the page width a running rule spans at least

bool IsDigit(char32_t code) {
    return code >= U'0' && code <= U'9';
}

bool IsAsciiLetter(char32_t code) {
    return (code >= U'a' && code <= U'z') || (code >= U'A' && code <= U'Z');
}

// Punctuation that decorates a lone page number: "- iv -", "[3]".
bool IsDecoration(char32_t code) {
    static constexpr std::u32string_view kDecoration = U"-–—.()[]|/·";
    return kDecoration.find(code) != std::u32string_view::npos;
}

// The text without blanks, each number replaced by '#' (a lone Roman numeral by 'R').
void MaskNumbers(std::span<const RawChar> chars, std::u32string* key, std::vector<int>* numbers) {
    std::u32string core;
    for (const RawChar& c : chars) {
        if (IsBlank(c.code))
            continue;
        if (!IsDecoration(c.code))
            core.push_back(c.code);
        if (!IsDigit(c.code)) {
            key->push_back(c.code);
            continue;
        }
        if (key->empty() || key->back() != U'#') {
            key->push_back(U'#');
            numbers->push_back(0);
        }
        int& number = numbers->back();
        number = std::min(number * 10 + static_cast<int>(c.code - U'0'), 1'000'000);
    }
    if (const int roman = RomanValue(core); roman > 0) {
        key->assign(1, U'R');
        *numbers = {roman};
    }
}

// Whether a number changes from page to page and keeps step with the page index.
bool FollowsPages(const std::vector<int>& values, const std::vector<int>& pages) {
    const std::set<int> distinct(values.begin(), values.end());
    if (distinct.size() < 2)
        return false;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] - pages[i] != values[0] - pages[0])
            return false;
    }
    return true;
}

TextRun WithText(const TextRun& run, std::string text) {
    TextRun copy = run;
    copy.text = std::move(text);
    return copy;
}

// Splits the `slot`-th number out of its run and marks it as the page number.
void MarkPageNumber(int slot, bool roman, std::vector<TextRun>* runs) {
    auto in_token = [roman](char c) {
        return roman ? IsAsciiLetter(static_cast<unsigned char>(c))
                     : IsDigit(static_cast<unsigned char>(c));
    };
    int seen = 0;
    for (auto run = runs->begin(); run != runs->end(); ++run) {
        const std::string text = run->text;
        for (std::size_t begin = 0; begin < text.size(); ++begin) {
            if (!in_token(text[begin]) || (begin > 0 && in_token(text[begin - 1])))
                continue;
            if (seen++ != slot)
                continue;
            std::size_t end = begin;
            while (end < text.size() && in_token(text[end]))
                ++end;
            std::vector<TextRun> parts;
            if (begin > 0)
                parts.push_back(WithText(*run, text.substr(0, begin)));
            parts.push_back(WithText(*run, text.substr(begin, end - begin)));
            parts.back().page_number = true;
            if (end < text.size())
                parts.push_back(WithText(*run, text.substr(end)));
            run = runs->erase(run);
            runs->insert(run, parts.begin(), parts.end());
            return;
        }
    }
}

bool IsNumbersOnly(const std::u32string& key) {
    return key.find_first_not_of(U"#R") == std::u32string::npos;
}

bool SameRow(const Rect& a, const Rect& b) {
    return std::min(a.y1, b.y1) - std::max(a.y0, b.y0) > 0.5 * std::min(a.Height(), b.Height());
}

Align AlignOnPage(const Rect& box, double page_width) {
    if (std::abs(box.CenterX() - page_width / 2) <= 0.05 * page_width)
        return Align::kCenter;
    if (box.x0 > 0.5 * page_width)
        return Align::kRight;
    return Align::kLeft;
}

// Appends `next`, which stands to the right of `row` in the same row, behind a tab stop that
// puts it where it stood: its centre, its right edge or its left edge, as it is aligned.
void AppendAtTab(const Paragraph& next, double page_width, Paragraph* row) {
    const Align align = AlignOnPage(next.box, page_width);
    const double x = align == Align::kCenter  ? next.box.CenterX()
                     : align == Align::kRight ? next.box.x1
                                              : next.box.x0;
    row->tab_stops.push_back({x - row->box.x0, align});
    TextRun tab = row->runs.empty() ? next.runs.front() : row->runs.back();
    tab.text.assign(1, '\t');
    tab.page_number = false;
    tab.link.clear();
    row->runs.push_back(std::move(tab));
    row->runs.insert(row->runs.end(), next.runs.begin(), next.runs.end());
    row->box = row->box.United(next.box);
}

// A part of a running row and the width of the page it stands on.
struct Part {
    Paragraph paragraph;
    double page_width = 0;
};

// The parts as rows, top to bottom: what stands to the right of a left-aligned part in its row
// joins it behind a tab, so that a title and a page number keep their single line.
std::vector<Paragraph> ComposeRows(std::vector<Part> parts) {
    // Top to bottom, and left to right within a row, whatever heights the faces of a row give.
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        return a.paragraph.box.CenterY() < b.paragraph.box.CenterY();
    });
    for (std::size_t first = 0; first < parts.size();) {
        std::size_t last = first + 1;
        while (last < parts.size() &&
               SameRow(parts[first].paragraph.box, parts[last].paragraph.box))
            ++last;
        std::stable_sort(
            parts.begin() + first, parts.begin() + last,
            [](const Part& a, const Part& b) { return a.paragraph.box.x0 < b.paragraph.box.x0; });
        first = last;
    }
    std::vector<Paragraph> rows;
    for (Part& part : parts) {
        if (!rows.empty() && rows.back().align == Align::kLeft &&
            SameRow(rows.back().box, part.paragraph.box) &&
            part.paragraph.box.x0 > rows.back().box.x1)
            AppendAtTab(part.paragraph, part.page_width, &rows.back());
        else
            rows.push_back(std::move(part.paragraph));
    }
    return rows;
}

// The same rule on two pages: at the same height, as long. Spreads may shift it across.
bool SameRule(const RawRule& a, const RawRule& b) {
    return std::abs(a.box.CenterY() - b.box.CenterY()) <= kSamePlace &&
           std::abs(a.box.Width() - b.box.Width()) <= kSamePlace;
}

// `rule` drawn as a border of `row`, below its text or above it.
void DrawRule(const RawRule& rule, bool below, Paragraph* row) {
    std::optional<ParagraphRule>& side = below ? row->rule_below : row->rule_above;
    if (side)
        return;
    const double gap = below ? rule.box.y0 - row->box.y1 : row->box.y0 - rule.box.y1;
    side = ParagraphRule{rule.thickness, rule.color, std::max(0.0, gap)};
}

}  // namespace

std::optional<RunningTextDetector::RuleCandidate> RunningTextDetector::MakeRuleCandidate(
    const RawPage& page, const RawRule& rule) {
    if (!rule.horizontal || page.height <= 0 || rule.box.Width() < kLongRule * page.width)
        return std::nullopt;
    RuleCandidate candidate;
    candidate.rule = rule;
    candidate.top = rule.box.y1 < kEdgeZone * page.height;
    if (!candidate.top && rule.box.y0 <= (1 - kEdgeZone) * page.height)
        return std::nullopt;
    return candidate;
}

void RunningTextDetector::DecideRules() {
    std::vector<std::vector<const RuleCandidate*>> groups;
    for (const RuleCandidate& candidate : rule_candidates_) {
        auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& group) {
            return group.front()->top == candidate.top &&
                   SameRule(group.front()->rule, candidate.rule);
        });
        if (same == groups.end())
            groups.push_back({&candidate});
        else
            same->push_back(&candidate);
    }
    running_rules_.clear();
    for (const auto& group : groups) {
        std::set<int> pages;
        for (const RuleCandidate* member : group)
            pages.insert(member->sample);
        if (pages.size() >= 2 && pages.size() * 2 >= static_cast<std::size_t>(samples_))
            running_rules_.push_back(*group.front());
    }
}

bool RunningTextDetector::IsRunningRule(const RawPage& page, const RawRule& rule) const {
    const std::optional<RuleCandidate> candidate = MakeRuleCandidate(page, rule);
    return candidate && std::any_of(running_rules_.begin(), running_rules_.end(),
                                    [&](const RuleCandidate& running) {
                                        return running.top == candidate->top &&
                                               SameRule(running.rule, rule);
                                    });
}

void RunningTextDetector::DrawRules(const std::vector<RuleCandidate>& rules, bool top,
                                    std::vector<Paragraph>* rows) {
    for (const RuleCandidate& candidate : rules) {
        if (candidate.top != top)
            continue;
        // A rule alone at the edge is a header (or footer) of its own: an empty line with it.
        if (rows->empty()) {
            Paragraph line;
            line.box = candidate.rule.box;
            DrawRule(candidate.rule, top, &line);
            rows->push_back(std::move(line));
            continue;
        }
        const double y = candidate.rule.box.CenterY();
        if (y <= rows->front().box.y0) {
            DrawRule(candidate.rule, false, &rows->front());
            continue;
        }
        // Below the last row it stands over, as a rule under a header's title.
        auto above = rows->begin();
        for (auto row = rows->begin(); row != rows->end(); ++row) {
            if (row->box.CenterY() < y)
                above = row;
        }
        DrawRule(candidate.rule, true, &*above);
    }
}

std::optional<RunningTextDetector::Candidate> RunningTextDetector::MakeCandidate(
    const RawPage& page, const RawLine& line) {
    if (page.height <= 0 || line.chars.empty() || line.chars.size() > kLongestLine)
        return std::nullopt;
    Candidate candidate;
    candidate.top = line.box.y0 < kEdgeZone * page.height;
    if (!candidate.top && line.box.y1 <= (1 - kEdgeZone) * page.height)
        return std::nullopt;
    MaskNumbers(line.chars, &candidate.key, &candidate.numbers);
    if (candidate.key.empty())
        return std::nullopt;
    candidate.page_index = page.index;
    candidate.offset = candidate.top ? line.baseline : page.height - line.baseline;
    candidate.page_width = page.width;
    candidate.box = line.box;
    return candidate;
}

void RunningTextDetector::AddSample(const RawPage& page) {
    std::vector<Candidate> found;
    for (const RawLine& line : page.lines) {
        if (auto candidate = MakeCandidate(page, line)) {
            candidate->runs = RunsOf(page, line.chars);
            found.push_back(std::move(*candidate));
        }
    }
    // The lines nearest each edge: further in, lines are body text.
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate& a, const Candidate& b) { return a.offset < b.offset; });
    std::size_t tops = 0;
    std::size_t bottoms = 0;
    for (Candidate& candidate : found) {
        std::size_t& count = candidate.top ? tops : bottoms;
        if (++count > kMostPerEdge)
            continue;
        candidate.sample = samples_;
        candidates_.push_back(std::move(candidate));
    }
    for (const RawRule& rule : page.rules) {
        if (auto candidate = MakeRuleCandidate(page, rule)) {
            candidate->sample = samples_;
            rule_candidates_.push_back(*candidate);
        }
    }
    ++samples_;
    Decide();
    DecideRules();
}

void RunningTextDetector::Decide() {
    std::vector<Running> groups;
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        const Candidate& candidate = candidates_[i];
        auto same = std::find_if(groups.begin(), groups.end(), [&](const Running& group) {
            const Candidate& first = candidates_[group.members.front()];
            return first.top == candidate.top && first.key == candidate.key &&
                   std::abs(first.offset - candidate.offset) <= kSamePlace;
        });
        if (same == groups.end())
            groups.push_back({{i}, -1});
        else
            same->members.push_back(i);
    }
    running_.clear();
    for (Running& group : groups) {
        std::set<int> pages;
        for (std::size_t member : group.members)
            pages.insert(candidates_[member].sample);
        if (pages.size() < 2 || pages.size() * 2 < static_cast<std::size_t>(samples_))
            continue;
        const std::size_t slots = candidates_[group.members.front()].numbers.size();
        for (std::size_t slot = 0; slot < slots && group.number_slot < 0; ++slot) {
            std::vector<int> values;
            std::vector<int> page_indices;
            for (std::size_t member : group.members) {
                values.push_back(candidates_[member].numbers[slot]);
                page_indices.push_back(candidates_[member].page_index);
            }
            if (FollowsPages(values, page_indices)) {
                group.number_slot = static_cast<int>(slot);
                group.number_offset = values.front() - page_indices.front();
            }
        }
        // A lone number that neither counts the pages nor stays the same is the body's, as a
        // table of contents' page numbers are, however often one stands at the same height.
        const Candidate& first = candidates_[group.members.front()];
        if (group.number_slot < 0 && IsNumbersOnly(first.key) &&
            std::any_of(group.members.begin(), group.members.end(), [&](std::size_t member) {
                return candidates_[member].numbers != first.numbers;
            }))
            continue;
        running_.push_back(std::move(group));
    }
}

const RunningTextDetector::Running* RunningTextDetector::Find(const Candidate& line) const {
    for (const Running& running : running_) {
        const Candidate& first = candidates_[running.members.front()];
        if (first.top == line.top && first.key == line.key &&
            std::abs(first.offset - line.offset) <= kSamePlace)
            return &running;
    }
    return nullptr;
}

Paragraph RunningTextDetector::ParagraphOf(const Candidate& line, int number_slot) {
    Paragraph paragraph;
    paragraph.box = line.box;
    paragraph.runs = line.runs;
    paragraph.align = AlignOnPage(line.box, line.page_width);
    if (number_slot >= 0)
        MarkPageNumber(number_slot, line.key == U"R", &paragraph.runs);
    return paragraph;
}

const RunningTextDetector::Candidate* RunningTextDetector::FirstOnSide(
    const Running& running, bool even, const std::optional<PageNumbering>& numbering) const {
    for (std::size_t member : running.members) {
        if (IsEvenPage(candidates_[member].page_index, numbering) == even)
            return &candidates_[member];
    }
    return nullptr;
}

RunningText RunningTextDetector::Result() const {
    std::vector<const Running*> ordered;
    for (const Running& running : running_)
        ordered.push_back(&running);
    const auto first = [this](const Running* running) -> const Candidate& {
        return candidates_[running->members.front()];
    };
    std::stable_sort(ordered.begin(), ordered.end(), [&](const Running* a, const Running* b) {
        return first(a).box.CenterY() < first(b).box.CenterY();
    });
    RunningText result;
    for (const Running* running : ordered) {
        if (running->number_slot >= 0 && !result.numbering)
            result.numbering = NumberingOf(*running);
    }
    // The lines each side of a spread shows, and whether the sides place them alike.
    std::vector<std::pair<const Running*, const Candidate*>> odd_lines;
    std::vector<std::pair<const Running*, const Candidate*>> even_lines;
    bool sides_differ = false;
    for (const Running* running : ordered) {
        const Candidate* odd = FirstOnSide(*running, false, result.numbering);
        const Candidate* even = FirstOnSide(*running, true, result.numbering);
        if (odd != nullptr)
            odd_lines.emplace_back(running, odd);
        if (even != nullptr)
            even_lines.emplace_back(running, even);
        sides_differ = sides_differ || odd == nullptr || even == nullptr ||
                       std::abs(odd->box.x0 - even->box.x0) > kSamePlace;
    }
    const auto rows = [](const std::vector<std::pair<const Running*, const Candidate*>>& lines,
                         bool top) {
        std::vector<Part> parts;
        for (const auto& [running, line] : lines) {
            if (line->top == top)
                parts.push_back({ParagraphOf(*line, running->number_slot), line->page_width});
        }
        return ComposeRows(std::move(parts));
    };
    const bool spreads = sides_differ && !odd_lines.empty() && !even_lines.empty();
    if (spreads) {
        result.header = rows(odd_lines, true);
        result.footer = rows(odd_lines, false);
        result.even_header = rows(even_lines, true);
        result.even_footer = rows(even_lines, false);
    } else {
        std::vector<std::pair<const Running*, const Candidate*>> lines;
        for (const Running* running : ordered)
            lines.emplace_back(running, &first(running));
        result.header = rows(lines, true);
        result.footer = rows(lines, false);
    }
    DrawRules(running_rules_, true, &result.header);
    DrawRules(running_rules_, false, &result.footer);
    if (spreads) {
        DrawRules(running_rules_, true, &result.even_header);
        DrawRules(running_rules_, false, &result.even_footer);
    }
    return result;
}

PageNumbering RunningTextDetector::NumberingOf(const Running& running) const {
    const Candidate& first = candidates_[running.members.front()];
    PageNumbering numbering;
    numbering.offset = running.number_offset;
    if (first.key != U"R")
        return numbering;
    const std::string text = TextOf(first.runs);
    const bool upper = text.find_first_of("IVXLCDM") != std::string::npos;
    numbering.style = upper ? PageNumberStyle::kUpperRoman : PageNumberStyle::kLowerRoman;
    return numbering;
}

RunningTextDetector::PageRunning RunningTextDetector::OnPage(const RawPage& page) const {
    PageRunning found;
    found.running.assign(page.lines.size(), false);
    if (running_.empty() && running_rules_.empty())
        return found;
    std::vector<std::optional<Candidate>> lines;
    std::vector<const Running*> groups;
    for (const RawLine& line : page.lines) {
        lines.push_back(MakeCandidate(page, line));
        groups.push_back(lines.back() ? Find(*lines.back()) : nullptr);
    }
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (groups[i] == nullptr)
            continue;
        found.running[i] = true;
        (lines[i]->top ? found.header : found.footer) = true;
    }
    // The running rules this page printed, where it printed them.
    std::vector<RuleCandidate> printed_rules;
    for (const RawRule& rule : page.rules) {
        if (IsRunningRule(page, rule))
            printed_rules.push_back(*MakeRuleCandidate(page, rule));
    }
    for (const RuleCandidate& rule : printed_rules)
        (rule.top ? found.header : found.footer) = true;
    bool more_in_header = false;
    bool more_in_footer = false;
    for (std::size_t other = 0; other < count; ++other) {
        if (!lines[other] || groups[other] != nullptr)
            continue;
        for (std::size_t i = 0; i < count && !found.running[other]; ++i) {
            if (groups[i] == nullptr || lines[i]->top != lines[other]->top ||
                !SameRow(lines[i]->box, lines[other]->box))
                continue;
            found.running[other] = true;
            (lines[other]->top ? more_in_header : more_in_footer) = true;
        }
    }
    for (const bool top : {true, false}) {
        if (!(top ? more_in_header : more_in_footer))
            continue;
        std::vector<Part> parts;
        for (std::size_t i = 0; i < count; ++i) {
            if (!found.running[i] || lines[i]->top != top)
                continue;
            lines[i]->runs = RunsOf(page, page.lines[i].chars);
            parts.push_back(
                {ParagraphOf(*lines[i], groups[i] ? groups[i]->number_slot : -1), page.width});
        }
        std::vector<Paragraph>& own = top ? found.own_header : found.own_footer;
        own = ComposeRows(std::move(parts));
        DrawRules(printed_rules, top, &own);
    }
    return found;
}

}  // namespace reconstruct
