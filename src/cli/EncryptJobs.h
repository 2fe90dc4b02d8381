#pragma once

#include "cli/PerFileJobBuilder.h"

namespace cli {

// Encrypt (KPdfEncryptFuncWnd): "<title>_已加密.pdf" opened only with the new password.
class EncryptJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    std::string new_password_;
};

}  // namespace cli
