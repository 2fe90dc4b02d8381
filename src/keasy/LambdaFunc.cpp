#include "keasy/LambdaFunc.h"

#include <utility>

namespace keasy {

LambdaFunc::LambdaFunc(std::function<void()> fn) : fn_(std::move(fn)) {}

void LambdaFunc::Invoke() {
    if (!fn_)
        return;
    fn_();
}

std::unique_ptr<IFunc> FuncOf(std::function<void()> fn) {
    return std::make_unique<LambdaFunc>(std::move(fn));
}

}  // namespace keasy
