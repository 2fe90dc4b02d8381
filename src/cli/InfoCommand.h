#pragma once

#include <string>
#include <vector>

#include "cli/FileFactsQuery.h"
#include "cli/ProgressView.h"

namespace cli {

// "quire-cli info": the program's file-information query for each file, one line per file.
class InfoCommand {
public:
    InfoCommand(ProgressView& view, FileFactsQuery::InterruptCheck interrupted);

    // "<file>: pages=N encrypted=E image=I unreadable=U", each fact -1 when not known. True when
    // the core answered for every file.
    bool Run(const std::vector<std::string>& files, const std::string& password);

    static std::string FactsLine(const std::string& file, const DocumentFacts& facts);

private:
    ProgressView& view_;
    FileFactsQuery::InterruptCheck interrupted_;
};

}  // namespace cli
