#include "cli/UploadConsent.h"

#include "app/AsynLog.h"
#include "app/ConsentSetting.h"
#include "platform/Format.h"

#include <istream>
#include <ostream>

namespace cli {

UploadConsent::UploadConsent(Store store, bool allow_upload)
    : store_(std::move(store)), allow_upload_(allow_upload) {}

UploadConsent::Store UploadConsent::ProgramStore() {
    Store store;
    store.is_agreed = [] { return ConsentSetting::ForProgram().IsAgreed(); };
    store.agree = [] { return ConsentSetting::ForProgram().Store(true); };
    return store;
}

bool UploadConsent::Granted(std::string_view prefix) {
    if (stored_ || store_.is_agreed())
        return true;
    if (!allow_upload_ && !Ask(prefix))
        return false;
    // The agreement holds for this batch even when it could not be stored for later ones.
    if (!store_.agree())
        keasy::AsynLog::Instance().Print("UploadConsent::Granted cannot store the agreement");
    stored_ = true;
    return true;
}

bool UploadConsent::Ask(std::string_view prefix) {
    if (asked_ || !store_.ask)
        return false;
    asked_ = true;
    return store_.ask(Question(prefix));
}

std::function<bool(const std::string&)> UploadConsent::TerminalQuestion(std::istream& in,
                                                                        std::ostream& out) {
    return [&in, &out](const std::string& question) {
        out << question << " [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(in, answer))
            return false;
        return answer.starts_with("y") || answer.starts_with("Y") || answer.starts_with("是");
    };
}

std::string UploadConsent::Question(std::string_view prefix) {
    if (prefix.empty())
        return "使用增强模式，需要将文件上传至云端进行转换，是否使用？";
    return platform::Format("%s需要使用增强模式，将文件上传至云端进行转换，是否使用？", prefix);
}

std::string UploadConsent::Refusal(std::string_view prefix) {
    return Question(prefix) + " (uploading is not agreed: add --agree-upload to agree)";
}

}  // namespace cli
