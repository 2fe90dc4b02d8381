#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "service/RequestStore.h"

namespace service {

// The service's files under its data folder:
//   uploads/<req_id>/part-<n>, then <stem>.<file_type> once the parts are joined and checked
//   results/<req_id>/<stem>.<target_file_type>
//   feedback/<req_id>/<stem>.<file_type> and feedback.json, kept for people to read
// Uploads and results live as long as their request; the feedback folder is never swept.
class DataFolder {
public:
    explicit DataFolder(std::filesystem::path root) : root_(std::move(root)) {}

    // Creates the folders and removes the uploads and results of an earlier run, whose
    // requests this process does not know.
    bool Prepare(std::string* error);

    std::filesystem::path UploadPath(const RequestInfo& info) const;
    std::filesystem::path ResultPath(const RequestInfo& info) const;
    std::filesystem::path FeedbackFolder(const std::string& req_id) const;

    bool StorePart(const std::string& req_id, int part, std::string_view bytes, std::string* error);
    // Joins the parts into the upload path, checking them against the length and MD5 the
    // client announced; the parts stay when the check fails, so that a client may upload a
    // missing or broken part again.
    bool AssembleUpload(const RequestInfo& info, std::string* error);
    // Gives `to` the upload of `from`, whose content is the same.
    bool ShareUpload(const RequestInfo& from, const RequestInfo& to, std::string* error);
    bool CreateResultFolder(const RequestInfo& info, std::string* error);
    bool StoreFeedback(const RequestInfo& info, std::string* error);

    void Remove(const std::string& req_id);

private:
    std::filesystem::path UploadFolder(const std::string& req_id) const;
    std::filesystem::path PartPath(const std::string& req_id, int part) const;

    const std::filesystem::path root_;
};

}  // namespace service
