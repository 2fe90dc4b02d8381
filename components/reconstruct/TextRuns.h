#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// Characters of `page` as runs: neighbours with the same style, decorations and link share a
// run. Consecutive spaces collapse into one; leading and trailing spaces are dropped.
std::vector<TextRun> RunsOf(const RawPage& page, std::span<const RawChar> chars);

// Appends the runs of the next visual line of the same paragraph, joined as flowing text: a
// space between Latin words, nothing between CJK characters, and a hyphen at the end of the
// previous line removed when it split a word.
void AppendLine(const RawPage& page, std::span<const RawChar> chars, std::vector<TextRun>* runs);

// The plain text of runs, for tests and for matching repeated lines.
std::string TextOf(const std::vector<TextRun>& runs);

// A stretch of the runs' joined text, in bytes.
struct ByteSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// A dot leader: at least four dots (".", "·" or "…", spaced or not) between a line's text and
// a page number at its end, as tables of contents have. The span takes in the spaces
// around the dots. Nothing when the text has none.
std::optional<ByteSpan> FindDotLeader(const std::vector<TextRun>& runs);
// The same for one printed line.
bool EndsInDotLeader(std::span<const RawChar> chars);

enum class Edge { kStart, kEnd };

// Whether the printed characters of `chars` begin (or end) with as many dots as a leader has:
// a piece of a contents line that its leader carries on to the title or the page number.
bool HasLeaderDotsAt(std::span<const RawChar> chars, Edge edge);

// The runs with `leader` rewritten for a reader whose font may run a little wider than the
// PDF's: its dots without the spaces between them, `dot_spacing` points apart (when 0, less
// their last tenth, at least two), then a tab character to take the page number to its stop.
std::vector<TextRun> LeaderAsTab(const std::vector<TextRun>& runs, ByteSpan leader,
                                 double dot_spacing);

// A contents entry set without dots (a chapter's): the printed line `chars` ends in a page
// number that stands at `right_edge` with a gap of at least three sizes before it.
bool EndsInSpacedPageNumber(std::span<const RawChar> chars, double size, double right_edge);
// The runs of such a line with the gap before its page number written as a tab character, so
// that the number can go to a tab stop where it stood.
std::vector<TextRun> SpacedPageNumberAsTab(const std::vector<TextRun>& runs);

// The spacing to write between a line's leader dots, in points: four fifths of the gap the PDF
// left beyond their width, which keeps their look and leaves room to spare. 0 when they touched or
// the line ends in fewer than two dots before its last word.
double LeaderDotSpacing(std::span<const RawChar> chars);

// True for Chinese, Japanese and Korean ideographs, kana, hangul and full-width punctuation:
// text that wraps without spaces.
bool IsCjk(char32_t code);

}  // namespace reconstruct
