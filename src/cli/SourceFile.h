#pragma once

#include <cstddef>
#include <string>

#include "cli/FileFactsQuery.h"

namespace cli {

// One file of a batch with what the file-information query learned about it.
struct SourceFile {
    std::string label;  // as given on the command line
    std::string path;   // absolute
    DocumentFacts facts;

    // Why the window would leave this file's row unusable, from its facts: the information
    // could not be read, a PDF is encrypted and no password was given, the document is empty.
    // Empty when the file can start.
    std::string Unusable(bool password_given) const;
    // Values below 1 count as 1, as the rows count them.
    int PageCount() const;
    // The file name without folder and extension.
    std::string Title() const;
    // The file name cut to `max_chars` characters for a message, "..." marking a cut.
    std::string ShortName(std::size_t max_chars) const;
};

}  // namespace cli
