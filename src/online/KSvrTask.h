#pragma once

#include <json/value.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "online/FileDigest.h"
#include "online/LoginState.h"
#include "online/ServiceSettings.h"
#include "online/StopSignal.h"
#include "online/UploadInstructions.h"

struct KRequest;

// One conversion (or one feedback upload) on the online service: tourist login, upload
// request, upload to storage in one piece or in parts, completion report, progress queries,
// download. Its steps run on one thread; only the parts of a multipart upload run on extra
// threads, which share the pending and failed lists under `lock_`.
class KSvrTask {
public:
    // `stop` ends every pause and transfer of the task when set.
    KSvrTask(ServiceSettings settings, std::shared_ptr<const StopSignal> stop,
             LoginState& login = LoginState::Process());

    // Request builders; each records the paths and the request path.
    void BuildPaged(const std::filesystem::path& source, const std::filesystem::path& target,
                    int pages, int convert_type);
    void BuildDrawing(const std::filesystem::path& source, const std::filesystem::path& target,
                      bool white_background);
    void BuildPlain(const std::filesystem::path& source, const std::filesystem::path& target);
    void BuildFeedback(const std::filesystem::path& file, const std::string& target_type,
                       const std::string& email, const std::string& phone,
                       const std::string& suggestion);

    bool GetTouristID();
    // The whole upload: digest, login when needed, upload request, storage, completion report.
    bool UploadFile();
    // Both outputs stay -1 until an answer is read. False when no answer came, it did not
    // parse, or its "ret" was not 0.
    bool QuerryProgress(int* progress, int* status);
    bool Download();

    // What the failure texts are made of.
    int LastTransferResult() const { return last_result_; }
    int LastRet() const { return last_ret_; }
    std::int64_t FileLength() const { return file_length_; }
    int AddressCount() const { return static_cast<int>(part_addresses_.size()); }
    int FailedPartCount() const;
    const std::string& Md5Hex() const { return digest_.hex; }

    const std::filesystem::path& SourcePath() const { return source_; }
    const std::filesystem::path& TargetPath() const { return target_; }

    // The service answers with these when its login expired.
    static bool IsExpiredLogin(int ret) { return ret == 4001002 || ret == 5902002; }

private:
    void SetFileFields(const std::filesystem::path& source, const std::filesystem::path& target,
                       const std::string& target_type);
    Json::Value Common() const;
    KRequest NewRequest() const;
    // Posts the body that `make_body` builds to host + path; the answer as a JSON object.
    // A login the service reports expired is renewed and the step sent once more.
    std::optional<Json::Value> Exchange(const char* step, const std::string& path,
                                        const std::function<Json::Value()>& make_body,
                                        bool may_renew_login);
    int Post(const char* step, const std::string& url, const std::string& body,
             std::string* answer);
    std::optional<UploadInstructions> QueryUploadInfo();
    bool UploadFileToCos(const std::string& address);
    bool UploadMultiThread(std::int64_t block_size);
    void UploadPartsLoop(std::int64_t block_size);
    bool UploadFileToCosMultiPart(int part, std::int64_t block_size);
    bool NotifyUploadComplete();
    bool Stopped() const { return stop_->IsSet(); }

    const ServiceSettings settings_;
    const std::shared_ptr<const StopSignal> stop_;
    LoginState& login_;

    std::string path_;  // "/pdfweb/convert" or "/pdfweb/feedback"
    std::filesystem::path source_;
    std::filesystem::path target_;
    Json::Value request_;  // the builder's fields
    Md5Digest digest_;
    std::string request_id_;
    std::string result_address_;
    std::map<int, std::string> part_addresses_;  // read-only while the upload threads run
    std::int64_t file_length_ = 0;
    int last_result_ = 0;
    int last_ret_ = 0;

    mutable std::mutex lock_;
    std::vector<int> pending_parts_;  // guarded by lock_
    std::vector<int> failed_parts_;   // guarded by lock_
};
