#include "composite/OutputNames.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

#include "platform/Format.h"

namespace fs = std::filesystem;

namespace output_names {
namespace {

// Far beyond any real desktop; only stops a loop over a folder that reports every name taken.
constexpr int kMaxNumber = 10000;

std::atomic<unsigned long long> g_copy_sequence{0};

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

std::string FileTitle(const std::string& path) {
    return fs::path(path).stem().string();
}

std::string Extension(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string RangeFile(const fs::path& folder, const std::string& title, int first, int last,
                      const std::string& extension) {
    const std::string name = platform::Format("%s(%d-%d)", title, first, last);
    return (folder / (extension.empty() ? name : name + "." + extension)).string();
}

std::optional<fs::path> MakeUniqueFolder(const fs::path& parent, std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    if (name.empty())
        return std::nullopt;
    fs::path folder = parent / name;
    for (int n = 1; Exists(folder); ++n) {
        if (n > kMaxNumber)
            return std::nullopt;
        folder = parent / platform::Format("%s(%d)", name, n);
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return std::nullopt;
    return folder;
}

fs::path UniqueFileName(const fs::path& folder, const std::string& name) {
    fs::path file = folder / name;
    const std::string stem = fs::path(name).stem().string();
    const std::string extension = Extension(name);
    for (int n = 1; Exists(file) && n <= kMaxNumber; ++n)
        file = folder / platform::Format("%s(%d).%s", stem, n, extension);
    return file;
}

bool IsUnusableOutputPlace(const std::string& error) {
    return error == "ERROR_OUT_FOLDER_NOT_EXISTS" || error == "ERROR_SAVE_MERGE_PDF_FAIL";
}

bool CopyFileAtomically(const fs::path& source, const fs::path& target, std::string* error) {
    const fs::path work =
        target.parent_path() / platform::Format(".%s.part-%d-%llu", target.filename().string(),
                                                static_cast<int>(::getpid()), ++g_copy_sequence);
    std::error_code failure;
    fs::copy_file(source, work, fs::copy_options::overwrite_existing, failure);
    if (!failure)
        fs::rename(work, target, failure);
    if (!failure)
        return true;
    std::error_code ignored;
    fs::remove(work, ignored);
    if (error)
        *error = platform::Format("cannot copy %s to %s: %s", source.string(), target.string(),
                                  failure.message());
    return false;
}

}  // namespace output_names
