#include "cli/PageRangeOption.h"

#include <string>

namespace cli {

void PageRangeOption::Configure(OptionReader& options) {
    if (!options.Has("pages"))
        return;
    range_ = page_text::SingleRange(options.Text("pages"));
    if (!range_)
        options.Fail(std::string("--pages: ") + page_text::kBadRangeMessage +
                     " (one range A-B of page numbers, e.g. 2-9)");
}

page_text::Range PageRangeOption::For(int page_count) const {
    return page_text::Clamp(range_.value_or(page_text::Range{1, page_count}), page_count);
}

}  // namespace cli
