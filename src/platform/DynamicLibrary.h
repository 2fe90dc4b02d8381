#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

// A shared object loaded with dlopen; closed when the object goes away, so whatever was taken
// from it must not outlive it.
class DynamicLibrary {
public:
    // Nullptr when the file is missing or cannot be loaded, with dlerror's text in `error`.
    static std::unique_ptr<DynamicLibrary> Open(const std::filesystem::path& file,
                                                std::string* error = nullptr);

    void* Symbol(const char* name) const;

    template <typename Function>
    Function* FunctionNamed(const char* name) const {
        return reinterpret_cast<Function*>(Symbol(name));
    }

    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}

    void* handle_;
};

}  // namespace platform
