#pragma once

#include <optional>

#include "cli/OptionReader.h"
#include "cli/PageText.h"

namespace cli {

// The page boxes of a row ("转换页面范围"): every page unless --pages names one range, which is
// then kept within the document as the row's boxes keep it.
class PageRangeOption {
public:
    void Configure(OptionReader& options);
    // The pages of a document of `page_count` pages to work on.
    page_text::Range For(int page_count) const;

private:
    std::optional<page_text::Range> range_;
};

}  // namespace cli
