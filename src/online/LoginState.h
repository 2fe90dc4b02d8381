#pragma once

#include <mutex>
#include <string>

// The tourist login every request of the process carries. Written by a login on the service
// worker thread, read by every request (also from the upload threads).
class LoginState {
public:
    struct Values {
        std::string uid;
        std::string token;
        bool tourist = false;
    };

    static LoginState& Process();

    Values Get() const;
    bool HasLogin() const;
    void Set(std::string uid, std::string token);
    // Forgets a token the service no longer accepts, unless another login replaced it already.
    void Forget(const std::string& token);

private:
    mutable std::mutex mutex_;
    Values values_;  // guarded by mutex_
};
