#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace lok {
class Office;
}

namespace officehelper {

struct JobResult {
    bool ok = false;
    std::string error;
    bool engine_spoiled = false;  // LibreOffice is unusable from here on; the helper must leave
};

// LibreOffice loaded into this process through LibreOfficeKit. Start and Convert are called on
// the helper's main thread only.
class KitEngine {
public:
    // Starts LibreOffice on the profile; nullptr with the reason when it does not start.
    static std::unique_ptr<KitEngine> Start(const std::filesystem::path& install_folder,
                                            const std::filesystem::path& profile_folder,
                                            std::string* error);

    // Writes `source` to `target` in `format` ("pdf", "doc" or "xls"). A protected document
    // opens with `password` only; without one, or with a wrong one, the error starts with
    // "Invalid password".
    JobResult Convert(const std::string& source, const std::string& target,
                      const std::string& password, const std::string& format);

    KitEngine(const KitEngine&) = delete;
    KitEngine& operator=(const KitEngine&) = delete;

private:
    KitEngine(lok::Office* office, bool has_calc_views)
        : office_(office), has_calc_views_(has_calc_views) {}
    static void OnEvent(int type, const char* payload, void* engine);
    void AnswerPasswordRequest(bool to_modify);
    std::string TakeError();

    // Never destroyed: shutting LibreOffice down takes long and buys nothing, the helper
    // leaves with _exit.
    lok::Office* office_;
    // LibreOfficeKit opens spreadsheets in a view built from Calc's view definitions, which
    // installations without a user interface lack: the load then fails and the next one crashes.
    const bool has_calc_views_;

    std::mutex mutex_;           // guards the members below: LibreOffice asks from its own thread
    std::string loading_url_;    // the document being loaded
    std::string password_;       // its password, empty for none
    int password_requests_ = 0;  // how often LibreOffice asked for it during this load
};

}  // namespace officehelper
