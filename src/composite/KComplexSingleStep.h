#pragma once

#include <string>

#include "composite/KComplexTask.h"

// The page tools and picture tools that are one local step from source to target, with the
// task's password and chosen pages. Page tools append the step's error text; picture tools, as
// final conversions, replace it and take the step's error code too.
class KComplexSingleStep : public KComplexTask {
public:
    std::string GetSourcePath() override { return request_.source; }
    std::string GetTargetPath() override { return request_.target; }

protected:
    enum class Tool { kPage, kPicture };

    KComplexSingleStep(OperationRequest request, Tool tool, quirekit::ICvtUpateProcess* progress,
                       const CompositeServices* services);

    bool Work() override;
    const OperationRequest& Request() const { return request_; }

private:
    const OperationRequest request_;
    const Tool tool_;
};

// Builds the request of a single-step member.
OperationRequest SourceToTarget(OperationKind kind, std::string source, std::string target);
