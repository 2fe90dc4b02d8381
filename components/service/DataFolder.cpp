#include "service/DataFolder.h"

#include <json/value.h>
#include <json/writer.h>

#include <array>
#include <ctime>
#include <fstream>
#include <system_error>

#include "platform/AtomicFile.h"
#include "service/Crypto.h"
#include "service/StagedFile.h"

namespace service {
namespace {

constexpr std::size_t kCopyChunk = 256 * 1024;

bool MakeFolder(const std::filesystem::path& folder, std::string* error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (!code)
        return true;
    *error = "cannot create " + folder.string() + ": " + code.message();
    return false;
}

std::string FileName(const RequestInfo& info, const std::string& type) {
    return info.stem + "." + type;
}

// Appends the file to `out` and `md5`; false when it cannot be read.
bool AppendFile(const std::filesystem::path& file, StagedFile* out, Md5Stream* md5,
                std::uint64_t* length) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::string chunk(kCopyChunk, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const std::string_view got(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (!out->Write(got))
            return false;
        md5->Add(got);
        *length += got.size();
    }
    return in.eof();
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text.data();
}

}  // namespace

bool DataFolder::Prepare(std::string* error) {
    for (const char* name : {"uploads", "results"}) {
        std::error_code ignored;
        std::filesystem::remove_all(root_ / name, ignored);
    }
    for (const char* name : {"uploads", "results", "feedback"}) {
        if (!MakeFolder(root_ / name, error))
            return false;
    }
    return true;
}

std::filesystem::path DataFolder::UploadFolder(const std::string& req_id) const {
    return root_ / "uploads" / req_id;
}

std::filesystem::path DataFolder::PartPath(const std::string& req_id, int part) const {
    return UploadFolder(req_id) / ("part-" + std::to_string(part));
}

std::filesystem::path DataFolder::UploadPath(const RequestInfo& info) const {
    return UploadFolder(info.req_id) / FileName(info, info.file_type);
}

std::filesystem::path DataFolder::ResultPath(const RequestInfo& info) const {
    return root_ / "results" / info.req_id / FileName(info, info.target_file_type);
}

std::filesystem::path DataFolder::FeedbackFolder(const std::string& req_id) const {
    return root_ / "feedback" / req_id;
}

bool DataFolder::StorePart(const std::string& req_id, int part, std::string_view bytes,
                           std::string* error) {
    return MakeFolder(UploadFolder(req_id), error) &&
           platform::WriteFileAtomically(PartPath(req_id, part), bytes, 0600, error);
}

bool DataFolder::AssembleUpload(const RequestInfo& info, std::string* error) {
    const int first = info.upload_type == 2 ? 1 : 0;
    const int last = info.upload_type == 2 ? info.part_count : 0;
    for (int part = first; part <= last; ++part) {
        std::error_code code;
        if (!std::filesystem::is_regular_file(PartPath(info.req_id, part), code)) {
            *error = "part " + std::to_string(part) + " is missing";
            return false;
        }
    }
    StagedFile joined(UploadPath(info));
    Md5Stream md5;
    std::uint64_t length = 0;
    for (int part = first; part <= last; ++part) {
        if (!AppendFile(PartPath(info.req_id, part), &joined, &md5, &length)) {
            *error = "cannot join part " + std::to_string(part);
            return false;
        }
    }
    if (length != info.file_length) {
        *error = "the upload holds " + std::to_string(length) + " bytes, not " +
                 std::to_string(info.file_length);
        return false;
    }
    if (HexOf(md5.Finish()) != info.md5) {
        *error = "the upload does not match its MD5";
        return false;
    }
    if (!joined.Commit(error))
        return false;
    for (int part = first; part <= last; ++part) {
        std::error_code ignored;
        std::filesystem::remove(PartPath(info.req_id, part), ignored);
    }
    return true;
}

bool DataFolder::ShareUpload(const RequestInfo& from, const RequestInfo& to, std::string* error) {
    return MakeFolder(UploadFolder(to.req_id), error) &&
           CopyFileStaged(UploadPath(from), UploadPath(to), error);
}

bool DataFolder::CreateResultFolder(const RequestInfo& info, std::string* error) {
    return MakeFolder(ResultPath(info).parent_path(), error);
}

bool DataFolder::StoreFeedback(const RequestInfo& info, std::string* error) {
    const std::filesystem::path folder = FeedbackFolder(info.req_id);
    if (!MakeFolder(folder, error) ||
        !CopyFileStaged(UploadPath(info), folder / FileName(info, info.file_type), error))
        return false;
    Json::Value record(Json::objectValue);
    record["email"] = info.email;
    record["phone"] = info.phone;
    record["suggestion"] = info.suggestion;
    record["filename"] = info.filename;
    record["time"] = UtcNow();
    record["uid"] = info.uid;
    Json::StreamWriterBuilder builder;
    builder["emitUTF8"] = true;
    return platform::WriteFileAtomically(folder / "feedback.json",
                                         Json::writeString(builder, record), 0644, error);
}

void DataFolder::Remove(const std::string& req_id) {
    std::error_code ignored;
    std::filesystem::remove_all(UploadFolder(req_id), ignored);
    std::filesystem::remove_all(root_ / "results" / req_id, ignored);
}

}  // namespace service
