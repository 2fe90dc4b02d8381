#pragma once

#include <cstdint>

#include "cli/PerFileJobBuilder.h"

namespace cli {

// Picture compression (KImgCompressWnd): "<title>_已压缩.<format>" of at most a size, or of at
// most a share of the source's size.
class ImageCompressJobs : public PerFileJobBuilder {
public:
    static constexpr int kDefaultSize = 500;

    void Configure(OptionReader& options) override;
    bool NeedsFacts(const std::string&) const override { return false; }

    // The maximum size in kilobytes of a `file_bytes` picture: `size` units of `unit_kb`
    // kilobytes, or with `percent` above 0 that share of the file.
    static int MaxKilobytes(int size, int unit_kb, int percent, std::int64_t file_bytes);

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    int size_ = kDefaultSize;
    int unit_kb_ = 1;
    int percent_ = 0;  // 0 in the "期望小于" mode
    std::string format_ = "jpg";
};

}  // namespace cli
