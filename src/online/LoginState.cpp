#include "online/LoginState.h"

LoginState& LoginState::Process() {
    static LoginState state;
    return state;
}

LoginState::Values LoginState::Get() const {
    std::lock_guard lock(mutex_);
    return values_;
}

bool LoginState::HasLogin() const {
    std::lock_guard lock(mutex_);
    return !values_.uid.empty() && !values_.token.empty();
}

void LoginState::Set(std::string uid, std::string token) {
    std::lock_guard lock(mutex_);
    values_.uid = std::move(uid);
    values_.token = std::move(token);
    values_.tourist = true;
}

void LoginState::Forget(const std::string& token) {
    std::lock_guard lock(mutex_);
    if (values_.token == token)
        values_.token.clear();
}
