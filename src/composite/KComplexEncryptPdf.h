#pragma once

#include <string>

#include "composite/KComplexSingleStep.h"

// A PDF protected with a new open password. A source that has a password of its own (the
// task's password) is decrypted into the private folder first, since the new password would
// not open it.
class KComplexEncryptPdf : public KComplexSingleStep {
public:
    KComplexEncryptPdf(std::string source, std::string target, std::string new_password,
                       quirekit::ICvtUpateProcess* progress = nullptr,
                       const CompositeServices* services = nullptr);

protected:
    bool Work() override;

private:
    const std::string new_password_;
};
