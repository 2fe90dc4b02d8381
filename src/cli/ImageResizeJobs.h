#pragma once

#include <map>

#include "cli/PerFileJobBuilder.h"
#include "cli/ResizeRule.h"

namespace cli {

// Resize (KImgResizeWnd): "<title>_已修改.<format>" scaled by a percentage or to pixel sizes.
// Pixel boxes are checked against the first picture of the list, as the window checks them.
class ImageResizeJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;
    bool NeedsFacts(const std::string&) const override { return false; }
    std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                  PlanContext& context) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    // The pixel boxes as the window leaves them for `reference`; notes say what changed.
    void SettleBoxes(resize_rule::PixelSize reference, std::vector<std::string>* notes);

    resize_rule::Settings settings_;
    std::string format_ = "jpg";
    bool width_given_ = false;
    bool height_given_ = false;
    std::map<std::string, resize_rule::PixelSize> sizes_;  // by path; 0 x 0 when undecodable
};

}  // namespace cli
