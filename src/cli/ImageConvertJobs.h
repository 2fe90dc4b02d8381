#pragma once

#include <string>
#include <vector>

#include "cli/PerFileJobBuilder.h"

namespace cli {

// Change format (KImgReformatWnd): "<title>.<format>"; pictures of one title in one start are
// numbered "<title>_2", "<title>_3" … so they do not meet in one name.
class ImageConvertJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;
    bool NeedsFacts(const std::string&) const override { return false; }

    // The result name of the next picture titled `title`, which it then counts.
    std::string NextName(const std::string& title);

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    std::string format_ = "jpg";
    std::vector<std::string> titles_;  // of this start, in order
};

}  // namespace cli
