#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::filesystem::path& file,
                                                     std::string* error) {
    // A bare name would make dlopen search the system paths; only the file given is wanted.
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(file, failure);
    if (file.empty() || failure) {
        if (error)
            *error = "no library file given";
        return nullptr;
    }
    void* handle = ::dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* reason = ::dlerror();
            *error = reason ? reason : "cannot load " + absolute.string();
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

void* DynamicLibrary::Symbol(const char* name) const {
    return ::dlsym(handle_, name);
}

DynamicLibrary::~DynamicLibrary() {
    ::dlclose(handle_);
}

}  // namespace platform
