#include "composite/DocumentJoin.h"

#include <system_error>

#include "composite/OoxmlParts.h"
#include "composite/PresentationJoin.h"
#include "composite/TextJoin.h"
#include "composite/WordJoin.h"

namespace document_join {
namespace {

// Far more parts than any document is split into; guards against a runaway caller.
constexpr size_t kMaxParts = 10000;

using Joiner = bool (*)(const std::vector<std::filesystem::path>& parts,
                        const std::filesystem::path& target, std::string* error);

// The kinds that join, by the target's lower-case extension; nullptr for none.
Joiner JoinerFor(const std::filesystem::path& target) {
    const std::string kind = ExtensionOf(target.filename().string());
    if (kind == "docx")
        return JoinWordDocuments;
    if (kind == "pptx")
        return JoinPresentations;
    if (kind == "txt")
        return JoinTextFiles;
    if (kind == "html" || kind == "htm")
        return JoinHtmlFiles;
    return nullptr;
}

std::string RefusalFor(const std::filesystem::path& target) {
    const std::string kind = ExtensionOf(target.filename().string());
    if (kind == "xlsx")
        return "joining workbooks is not supported";
    if (kind == "doc" || kind == "xls" || kind == "ppt")
        return "." + kind + " files cannot be joined; convert the parts to ." + kind + "x";
    return "cannot join files of the kind \"" + kind + "\"";
}

}  // namespace

bool CanJoin(const std::filesystem::path& target) {
    return JoinerFor(target) != nullptr;
}

bool JoinDocuments(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error) {
    if (parts.empty() || parts.size() > kMaxParts) {
        *error = parts.empty() ? "there are no parts to join" : "too many parts to join";
        return false;
    }
    const Joiner join = JoinerFor(target);
    if (join == nullptr) {
        *error = RefusalFor(target);
        return false;
    }
    if (join(parts, target, error))
        return true;
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return false;
}

}  // namespace document_join
