#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace cli {

// The user's agreement to uploading files to the online conversion service. The windows ask
// once per batch and store a "确定"; on the command line --agree-upload is that answer, and on
// a terminal the same question is asked once.
class UploadConsent {
public:
    struct Store {
        std::function<bool()> is_agreed;
        std::function<bool()> agree;  // stores the agreement; false when it could not
        // Puts the question to the user; null where nobody can answer (no terminal).
        std::function<bool(const std::string& question)> ask;
    };

    UploadConsent(Store store, bool allow_upload);
    // The program's stored switch.
    static Store ProgramStore();

    // Whether files that need uploading may start. The first call with --agree-upload, or
    // with a yes to the question (`prefix` names the function in it), stores the agreement
    // when it was not stored yet. The question is put once per batch.
    bool Granted(std::string_view prefix = {});

    // Asks on the terminal: the question on `out`, a "y" or "是" on `in` agrees.
    static std::function<bool(const std::string&)> TerminalQuestion(std::istream& in,
                                                                    std::ostream& out);

    // The windows' question, e.g. with "OCR图文识别"; an empty prefix gives its plain form.
    static std::string Question(std::string_view prefix);
    // What a file that is not started for want of the agreement reports.
    static std::string Refusal(std::string_view prefix);

private:
    bool Ask(std::string_view prefix);

    Store store_;
    const bool allow_upload_;
    bool stored_ = false;  // the batch's thread only
    bool asked_ = false;   // the batch's thread only
};

}  // namespace cli
