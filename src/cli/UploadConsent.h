#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace cli {

// The user's agreement to uploading files to the online conversion service. The windows ask
// once per batch and store a "确定"; on the command line --allow-upload is that answer.
class UploadConsent {
public:
    struct Store {
        std::function<bool()> is_agreed;
        std::function<bool()> agree;  // stores the agreement; false when it could not
    };

    UploadConsent(Store store, bool allow_upload);
    // The program's stored switch.
    static Store ProgramStore();

    // Whether files that need uploading may start. The first call with --allow-upload stores
    // the agreement when it was not stored yet.
    bool Granted();

    // The windows' question, e.g. with "OCR图文识别"; an empty prefix gives its plain form.
    static std::string Question(std::string_view prefix);
    // What a file that is not started for want of the agreement reports.
    static std::string Refusal(std::string_view prefix);

private:
    Store store_;
    const bool allow_upload_;
    bool stored_ = false;  // the batch's thread only
};

}  // namespace cli
