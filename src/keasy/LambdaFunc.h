#pragma once

#include <functional>
#include <memory>

#include "keasy/IFunc.h"

namespace keasy {

// Lets new code post a lambda where a member-function binder would be clumsy.
class LambdaFunc final : public IFunc {
public:
    explicit LambdaFunc(std::function<void()> fn);

    // An empty function does nothing.
    void Invoke() override;

private:
    std::function<void()> fn_;
};

std::unique_ptr<IFunc> FuncOf(std::function<void()> fn);

}  // namespace keasy
