#include "service/StagedFile.h"

#include <system_error>

#include "service/Crypto.h"

namespace service {
namespace {

constexpr std::size_t kSuffixBytes = 6;

std::filesystem::path TemporaryBeside(const std::filesystem::path& target) {
    return target.parent_path() /
           ("." + target.filename().string() + ".tmp-" + RandomHex(kSuffixBytes));
}

}  // namespace

StagedFile::StagedFile(std::filesystem::path target)
    : target_(std::move(target)), temporary_(TemporaryBeside(target_)) {
    stream_.open(temporary_, std::ios::binary | std::ios::trunc);
}

StagedFile::~StagedFile() {
    if (committed_)
        return;
    stream_.close();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
}

bool StagedFile::Write(std::string_view bytes) {
    stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(stream_);
}

bool StagedFile::Commit(std::string* error) {
    stream_.close();
    if (stream_.fail()) {
        *error = "cannot write " + target_.string();
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporary_, target_, code);
    if (code) {
        *error = "cannot rename to " + target_.string() + ": " + code.message();
        return false;
    }
    committed_ = true;
    return true;
}

bool CopyFileStaged(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::string* error) {
    const std::filesystem::path temporary = TemporaryBeside(to);
    std::error_code code;
    std::filesystem::create_hard_link(from, temporary, code);
    if (code) {
        code.clear();
        std::filesystem::copy_file(from, temporary, code);
    }
    if (!code)
        std::filesystem::rename(temporary, to, code);
    if (!code)
        return true;
    *error = "cannot copy " + from.string() + ": " + code.message();
    std::filesystem::remove(temporary, code);
    return false;
}

}  // namespace service
