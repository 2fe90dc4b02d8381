#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

// A fresh folder under the system temp folder, removed with everything in it at the end of
// the test.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quire-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the life of the object and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, nullptr) {
        ::setenv(name, value.c_str(), 1);
    }
    // Removes the variable for the life of the object.
    ScopedEnv(const char* name, std::nullptr_t) : name_(name) {
        if (const char* old = ::getenv(name)) {
            had_old_ = true;
            old_ = old;
        }
        ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_old_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_old_ = false;
    std::string old_;
};
