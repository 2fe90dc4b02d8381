#include "cli/PageText.h"

#include <algorithm>
#include <charconv>

namespace cli::page_text {
namespace {

// Longer digit runs cannot be page numbers, and would overflow.
constexpr std::size_t kMaxDigits = 9;

std::optional<int> Number(std::string_view text) {
    if (text.empty() || text.size() > kMaxDigits)
        return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<Range> Item(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto first = Number(text.substr(0, dash));
    const auto last = Number(text.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    return Range{*first, *last};
}

}  // namespace

std::vector<Range> Items(std::string_view text) {
    std::vector<Range> items;
    while (true) {
        const auto comma = text.find(',');
        if (auto item = Item(text.substr(0, comma)))
            items.push_back(*item);
        if (comma == std::string_view::npos)
            return items;
        text.remove_prefix(comma + 1);
    }
}

std::vector<Range> SplitRanges(std::string_view text) {
    std::vector<Range> ranges = Items(text);
    std::erase_if(ranges, [](const Range& range) { return range.last < range.first; });
    return ranges;
}

std::vector<int> ChosenPages(std::string_view text, int page_count) {
    std::vector<int> pages;
    for (const Range& range : Items(text)) {
        for (int page = range.first; page <= std::min(range.last, page_count); ++page)
            pages.push_back(page);
    }
    return pages;
}

int HighestPage(std::string_view text) {
    int highest = 0;
    for (const Range& range : SplitRanges(text))
        highest = std::max(highest, range.last);
    return highest;
}

std::optional<Range> SingleRange(std::string_view text) {
    const std::vector<Range> items = Items(text);
    if (items.size() != 1 || items[0].first < 1 || items[0].last < items[0].first)
        return std::nullopt;
    // A stray item the windows would ignore still means the user typed something else.
    if (text.find(',') != std::string_view::npos)
        return std::nullopt;
    return items[0];
}

Range Clamp(Range range, int page_count) {
    range.last = std::max(1, std::min(range.last, page_count));
    range.first = std::max(1, std::min(range.first, range.last));
    return range;
}

}  // namespace cli::page_text
