// The password feature flags and callback types are only declared for the "unstable" API.
#define LOK_USE_UNSTABLE_API
#include "KitEngine.h"

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include <system_error>

#include "platform/FileUri.h"

namespace officehelper {
namespace {

std::string NameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string WithDetail(std::string text, const std::string& detail) {
    return detail.empty() ? text : text + ": " + detail;
}

}  // namespace

std::unique_ptr<KitEngine> KitEngine::Start(const std::filesystem::path& install_folder,
                                            const std::filesystem::path& profile_folder,
                                            std::string* error) {
    const std::string profile_url = platform::FileUriFromPath(profile_folder.string());
    lok::Office* office = lok::lok_cpp_init(install_folder.c_str(), profile_url.c_str());
    if (office == nullptr) {
        *error = "LibreOfficeKit did not start from " + install_folder.string();
        return nullptr;
    }
    std::error_code ignored;
    const bool has_calc_views = std::filesystem::exists(
        install_folder.parent_path() / "share/config/soffice.cfg/modules/scalc/ui/inputbar.ui",
        ignored);
    std::unique_ptr<KitEngine> engine(new KitEngine(office, has_calc_views));
    // A password request is answered from the job's password, so loading never waits for a
    // person; without these features LibreOffice would fail a protected document outright,
    // even with the right password.
    office->setOptionalFeatures(LOK_FEATURE_DOCUMENT_PASSWORD |
                                LOK_FEATURE_DOCUMENT_PASSWORD_TO_MODIFY);
    office->registerCallback(&KitEngine::OnEvent, engine.get());
    return engine;
}

void KitEngine::OnEvent(int type, const char* /*payload*/, void* engine) {
    if (type == LOK_CALLBACK_DOCUMENT_PASSWORD || type == LOK_CALLBACK_DOCUMENT_PASSWORD_TO_MODIFY)
        static_cast<KitEngine*>(engine)->AnswerPasswordRequest(
            type == LOK_CALLBACK_DOCUMENT_PASSWORD_TO_MODIFY);
}

// LibreOffice blocks the load until it has an answer, and asks again after a wrong password;
// the second request is refused so that a wrong password ends the load instead of looping.
void KitEngine::AnswerPasswordRequest(bool to_modify) {
    std::string url;
    std::string answer;
    bool refuse = true;
    {
        std::lock_guard guard(mutex_);
        url = loading_url_;
        if (!to_modify) {
            ++password_requests_;
            refuse = password_.empty() || password_requests_ > 1;
            answer = password_;
        }
    }
    // Refusing the password to modify opens the document read-only, which is all a PDF needs.
    office_->setDocumentPassword(url.c_str(), refuse ? nullptr : answer.c_str());
}

std::string KitEngine::TakeError() {
    char* text = office_->getError();
    std::string error = text ? text : "";
    if (text)
        office_->freeError(text);
    return error;
}

JobResult KitEngine::Convert(const std::string& source, const std::string& target,
                             const std::string& password, const std::string& format) {
    const std::string source_url = platform::FileUriFromPath(source);
    const std::string target_url = platform::FileUriFromPath(target);
    {
        std::lock_guard guard(mutex_);
        loading_url_ = source_url;
        password_ = password;
        password_requests_ = 0;
    }
    std::unique_ptr<lok::Document> document(office_->documentLoad(source_url.c_str()));
    int requests = 0;
    {
        std::lock_guard guard(mutex_);
        requests = password_requests_;
        password_.clear();
    }
    const std::string name = NameOf(source);
    if (!document && requests > 0) {
        return {false, password.empty() ? "Invalid password: " + name + " needs a password to open"
                                        : "Invalid password: the password does not open " + name};
    }
    // LibreOfficeKit's own text for a failed load says nothing more than that it failed.
    if (!document && !has_calc_views_) {
        return {false,
                "LibreOffice cannot open " + name +
                    "; it is damaged, or a spreadsheet, which needs LibreOffice's Calc with its "
                    "views (the libreoffice-calc package, not libreoffice-calc-nogui)",
                true};
    }
    if (!document)
        return {false, "LibreOffice cannot open " + name + "; it is damaged or not a document"};
    if (!document->saveAs(target_url.c_str(), format.c_str(), nullptr)) {
        return {false, WithDetail("LibreOffice could not write the " + format + " of " + name,
                                  TakeError())};
    }
    return {true, {}};
}

}  // namespace officehelper
