#include "reconstruct/TextRuns.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/Utf8Append.h"

namespace reconstruct {
namespace {

bool SameLook(const RawChar& a, const RawChar& b) {
    return a.style == b.style && a.link == b.link && a.underline == b.underline &&
           a.strike == b.strike && a.shift == b.shift;
}

bool SameLook(const TextRun& a, const TextRun& b) {
    return a.font == b.font && a.underline == b.underline && a.strike == b.strike &&
           a.shift == b.shift && a.link == b.link && a.page_number == b.page_number;
}

TextRun StartRun(const RawPage& page, const RawChar& c) {
    TextRun run;
    if (c.style >= 0 && static_cast<std::size_t>(c.style) < page.styles.size())
        run.font = page.styles[c.style];
    run.underline = c.underline;
    run.strike = c.strike;
    run.shift = c.shift;
    if (c.link >= 0 && static_cast<std::size_t>(c.link) < page.links.size())
        run.link = page.links[c.link].uri;
    return run;
}

bool IsSpace(char32_t code) {
    return code == U' ' || code == U'\t' || code == 0xA0 || code == 0x3000;
}

// The code point whose UTF-8 starts at `start`; runs hold only valid UTF-8.
char32_t CodePointAt(const std::string& text, std::size_t start) {
    const auto lead = static_cast<unsigned char>(text[start]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (std::size_t i = start + 1; i < text.size() && i <= start + extra; ++i)
        code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    return code;
}

char32_t FirstCodePoint(const std::string& text) {
    return text.empty() ? 0 : CodePointAt(text, 0);
}

char32_t LastCodePoint(const std::string& text) {
    if (text.empty())
        return 0;
    std::size_t start = text.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return CodePointAt(text, start);
}

bool IsAsciiLetter(char32_t code) {
    return (code >= U'a' && code <= U'z') || (code >= U'A' && code <= U'Z');
}

}  // namespace

bool IsCjk(char32_t code) {
    return (code >= 0x1100 && code <= 0x11FF) ||  // hangul jamo
           (code >= 0x2E80 && code <= 0x9FFF) ||  // radicals, punctuation, kana, ideographs
           (code >= 0xA960 && code <= 0xA97F) ||  // hangul jamo extended
           (code >= 0xAC00 && code <= 0xD7FF) ||  // hangul syllables
           (code >= 0xF900 && code <= 0xFAFF) ||  // compatibility ideographs
           (code >= 0xFE30 && code <= 0xFE4F) ||  // compatibility forms
           (code >= 0xFF00 && code <= 0xFFEF) ||  // full-width forms
           (code >= 0x20000 && code <= 0x3FFFF);  // supplementary ideographs
}

std::vector<TextRun> RunsOf(const RawPage& page, std::span<const RawChar> chars) {
    std::vector<TextRun> runs;
    const RawChar* previous = nullptr;
    bool pending_space = false;
    for (const RawChar& c : chars) {
        if (IsSpace(c.code)) {
            pending_space = !runs.empty();
            continue;
        }
        if (previous == nullptr || !SameLook(*previous, c))
            runs.push_back(StartRun(page, c));
        if (pending_space)
            runs.back().text.push_back(' ');
        pending_space = false;
        platform::AppendUtf8(c.code, &runs.back().text);
        previous = &c;
    }
    return runs;
}

void AppendLine(const RawPage& page, std::span<const RawChar> chars, std::vector<TextRun>* runs) {
    std::vector<TextRun> next = RunsOf(page, chars);
    if (next.empty())
        return;
    if (!runs->empty()) {
        std::string& tail = runs->back().text;
        const char32_t last = LastCodePoint(tail);
        const char32_t first = FirstCodePoint(next.front().text);
        const bool split_word = last == U'-' && tail.size() >= 2 &&
                                IsAsciiLetter(static_cast<unsigned char>(tail[tail.size() - 2])) &&
                                IsAsciiLetter(first);
        if (split_word)
            tail.pop_back();
        else if (!IsCjk(last) && !IsCjk(first) && last != 0)
            tail.push_back(' ');
    }
    for (TextRun& run : next) {
        if (!runs->empty() && SameLook(runs->back(), run)) {
            runs->back().text += run.text;
            continue;
        }
        runs->push_back(std::move(run));
    }
}

std::string TextOf(const std::vector<TextRun>& runs) {
    std::string text;
    for (const TextRun& run : runs)
        text += run.text;
    return text;
}

namespace {

constexpr std::size_t kLongestLeaderTail = 8;  // bytes: "xviii", "A-12", "1024"
// Leader dots are written closer than printed, keeping this share of the gap between them, so
// that a reader's font a little wider than the PDF's still leaves room for the page number.
constexpr double kLeaderGapKept = 0.8;
constexpr double kLeastLeaderGap = 0.5;  // points: dots closer than this touch
// A space of the text faces we map to, generously: Latin Modern's is a third of the em.
constexpr double kSpaceWidthInEm = 1.0 / 3;
// An ellipsis has three; a leader that short would be taken from prose too easily.
constexpr int kFewestLeaderDots = 4;
// Sizes: a gap this wide before a line's last word is a contents entry's, not a space.
constexpr double kSpacedNumberGap = 3;

// Page numbers as tables of contents print them: 12, xiv, A-3.
bool IsPageNumber(std::string_view word) {
    const auto all_of = [](std::string_view text, std::string_view allowed) {
        return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
    };
    constexpr std::string_view kDigits = "0123456789";
    const std::size_t dash = word.find('-');
    if (dash != std::string_view::npos)
        return dash <= 2 && all_of(word.substr(dash + 1), kDigits);
    return all_of(word, kDigits) || all_of(word, "ivxlcdm") || all_of(word, "IVXLCDM");
}

// The byte length of a leader dot ending just before `end`, 0 when there is none.
std::size_t LeaderDotBefore(const std::string& text, std::size_t end) {
    for (std::string_view dot : {".", "\u00B7", "\u2026"}) {
        if (end >= dot.size() && text.compare(end - dot.size(), dot.size(), dot) == 0)
            return dot.size();
    }
    return 0;
}

}  // namespace

namespace {

std::optional<ByteSpan> FindDotLeaderIn(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    std::size_t tail = end;
    while (tail > 0 && text[tail - 1] != ' ' && LeaderDotBefore(text, tail) == 0)
        --tail;
    if (end - tail > kLongestLeaderTail ||
        !IsPageNumber(std::string_view(text).substr(tail, end - tail)))
        return std::nullopt;
    std::size_t begin = tail;
    int dots = 0;
    for (;;) {
        if (begin > 0 && text[begin - 1] == ' ') {
            --begin;
        } else if (const std::size_t dot = LeaderDotBefore(text, begin); dot > 0) {
            begin -= dot;
            ++dots;
        } else {
            break;
        }
    }
    if (dots < kFewestLeaderDots || begin == 0)
        return std::nullopt;
    return ByteSpan{begin, tail};
}

}  // namespace

std::optional<ByteSpan> FindDotLeader(const std::vector<TextRun>& runs) {
    return FindDotLeaderIn(TextOf(runs));
}

bool EndsInDotLeader(std::span<const RawChar> chars) {
    std::string text;
    for (const RawChar& c : chars)
        platform::AppendUtf8(IsSpace(c.code) ? U' ' : c.code, &text);
    return FindDotLeaderIn(text).has_value();
}

namespace {

bool IsLeaderDot(char32_t code) {
    return code == U'.' || code == U'\u00B7' || code == U'\u2026';
}

template <typename Iterator>
int DotsFrom(Iterator at, Iterator end) {
    int dots = 0;
    for (; at != end && dots < kFewestLeaderDots; ++at) {
        if (IsSpace(at->code))
            continue;
        if (!IsLeaderDot(at->code))
            break;
        ++dots;
    }
    return dots;
}

}  // namespace

bool HasLeaderDotsAt(std::span<const RawChar> chars, Edge edge) {
    const int dots = edge == Edge::kStart ? DotsFrom(chars.begin(), chars.end())
                                          : DotsFrom(chars.rbegin(), chars.rend());
    return dots >= kFewestLeaderDots;
}

namespace {

// The byte length of a leader dot starting at `at`, 0 when there is none.
std::size_t LeaderDotAt(const std::string& text, std::size_t at) {
    for (std::string_view dot : {".", "\u00B7", "\u2026"}) {
        if (text.compare(at, dot.size(), dot) == 0)
            return dot.size();
    }
    return 0;
}

const TextRun& RunAt(const std::vector<TextRun>& runs, std::size_t at) {
    std::size_t start = 0;
    for (const TextRun& run : runs) {
        if (at < start + run.text.size())
            return run;
        start += run.text.size();
    }
    return runs.back();
}

// Appends the pieces of the runs that lie in [from, to) of their joined text.
void AppendCut(const std::vector<TextRun>& runs, std::size_t from, std::size_t to,
               std::vector<TextRun>* out) {
    std::size_t start = 0;
    for (const TextRun& run : runs) {
        const std::size_t end = start + run.text.size();
        const std::size_t begin = std::clamp(from, start, end);
        const std::size_t stop = std::clamp(to, start, end);
        if (begin < stop) {
            out->push_back(run);
            out->back().text = run.text.substr(begin - start, stop - begin);
        }
        start = end;
    }
}

}  // namespace

std::vector<TextRun> LeaderAsTab(const std::vector<TextRun>& runs, ByteSpan leader,
                                 double dot_spacing) {
    const std::string text = TextOf(runs);
    std::string dot;
    std::size_t first_dot = leader.begin;
    int dots = 0;
    for (std::size_t at = leader.begin; at < leader.end;) {
        const std::size_t length = LeaderDotAt(text, at);
        if (length > 0 && dot.empty()) {
            dot = text.substr(at, length);
            first_dot = at;
        }
        dots += length > 0 ? 1 : 0;
        at += std::max<std::size_t>(length, 1);
    }
    std::vector<TextRun> out;
    // A title that stood apart from its dots keeps one space before them: readers and search
    // see "Preface . . ." as printed, not "Preface. . .".
    const bool apart = first_dot > leader.begin && text[leader.begin] == ' ';
    AppendCut(runs, 0, apart ? leader.begin + 1 : leader.begin, &out);
    // The dots keep their own face: a title's Chinese face would draw them wider.
    TextRun dots_run = RunAt(runs, first_dot);
    // Spaced dots make their room by standing closer, and give the kept space its width too;
    // dots that touched give up a tenth, which is more than a space.
    const int dropped = dot_spacing > 0 ? 0 : std::min(dots - 1, std::max(2, dots / 10));
    const int kept = dots - dropped;
    const double space_width = apart ? kSpaceWidthInEm * dots_run.font.size : 0;
    dot_spacing = std::max(0.0, dot_spacing - space_width / kept);
    std::string written;
    for (int i = 0; i < kept; ++i)
        written.append(dot.data(), dot.size());
    dots_run.text = std::move(written);
    TextRun tab = dots_run;
    tab.text.assign(1, '\t');
    dots_run.letter_spacing = dot_spacing;
    out.push_back(std::move(dots_run));
    out.push_back(std::move(tab));
    AppendCut(runs, leader.end, text.size(), &out);
    return out;
}

bool EndsInSpacedPageNumber(std::span<const RawChar> chars, double size, double right_edge) {
    std::size_t end = chars.size();
    while (end > 0 && IsSpace(chars[end - 1].code))
        --end;
    std::size_t start = end;
    while (start > 0 && !IsSpace(chars[start - 1].code))
        --start;
    std::size_t before = start;
    while (before > 0 && IsSpace(chars[before - 1].code))
        --before;
    if (start == end || before == 0 || end - start > kLongestLeaderTail)
        return false;
    std::string word;
    for (std::size_t i = start; i < end; ++i)
        platform::AppendUtf8(chars[i].code, &word);
    return IsPageNumber(word) &&
           chars[start].box.x0 - chars[before - 1].box.x1 >= kSpacedNumberGap * size &&
           chars[end - 1].box.x1 >= right_edge - size;
}

std::vector<TextRun> SpacedPageNumberAsTab(const std::vector<TextRun>& runs) {
    const std::string text = TextOf(runs);
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    const std::size_t space = end == 0 ? std::string::npos : text.rfind(' ', end - 1);
    if (space == std::string::npos)
        return runs;
    std::size_t gap = space;
    while (gap > 0 && text[gap - 1] == ' ')
        --gap;
    std::vector<TextRun> out;
    AppendCut(runs, 0, gap, &out);
    TextRun tab = RunAt(runs, gap);
    tab.text.assign(1, '\t');
    tab.page_number = false;
    out.push_back(std::move(tab));
    AppendCut(runs, space + 1, text.size(), &out);
    return out;
}

double LeaderDotSpacing(std::span<const RawChar> chars) {
    std::size_t end = chars.size();
    while (end > 0 && !IsLeaderDot(chars[end - 1].code))
        --end;
    std::vector<const RawChar*> dots;
    for (std::size_t i = end; i > 0; --i) {
        const RawChar& c = chars[i - 1];
        if (IsLeaderDot(c.code))
            dots.push_back(&c);
        else if (!IsSpace(c.code))
            break;
    }
    if (dots.size() < 2)
        return 0;
    // Collected from the right: the first is the last dot.
    const double pitch =
        (dots.front()->box.x0 - dots.back()->box.x0) / static_cast<double>(dots.size() - 1);
    const double width = dots.front()->box.Width();
    const double gap = std::isfinite(pitch) ? pitch - width : 0;
    return gap >= kLeastLeaderGap ? gap * kLeaderGapKept : 0;
}

}  // namespace reconstruct
