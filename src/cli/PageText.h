#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The page text the page-tool windows take: items separated by ",", each two numbers of the
// digits 0-9 joined by "-". Any other item (a single number, a letter, a third part) is ignored,
// as the windows ignore it.
namespace cli::page_text {

// What the windows say when a range box gives nothing to work with.
inline constexpr char kBadRangeMessage[] = "请输入合适的范围";

struct Range {
    int first = 0;
    int last = 0;
    bool operator==(const Range&) const = default;
};

// Every well-formed item, in the order typed.
std::vector<Range> Items(std::string_view text);
// Split parts: the items whose second number is not smaller than the first.
std::vector<Range> SplitRanges(std::string_view text);
// Chosen pages: every page from each item's first to its second number, leaving out pages above
// `page_count` (a document cannot have them, and a typed huge number must not exhaust memory).
std::vector<int> ChosenPages(std::string_view text, int page_count);
// The highest page of the items that give pages; 0 when none does.
int HighestPage(std::string_view text);
// The one range of a conversion's page boxes; nullopt unless the text is exactly one item with
// a first page of at least 1 and a second not smaller than the first.
std::optional<Range> SingleRange(std::string_view text);

// The range a row keeps for a document of `page_count` pages: the last page lowered to the
// count, the first raised to 1 and lowered to the last.
Range Clamp(Range range, int page_count);

}  // namespace cli::page_text
