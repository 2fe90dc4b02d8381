#include "bkwin/BkXml.h"

#include "platform/Diagnostics.h"

namespace BkWin {

BkXmlDocument ParseResourceXml(std::string_view xml, std::string_view root_tag) {
    const std::string what = "bkwin: resource \"" + std::string(root_tag) + "\": ";
    if (xml.size() > kMaxResourceXmlBytes) {
        platform::ReportDiagnostic(what + "larger than the 4 MiB limit, ignored");
        return {};
    }
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    if (document->Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        platform::ReportDiagnostic(what + "unreadable XML: " + document->ErrorStr());
        return {};
    }
    const tinyxml2::XMLElement* root = document->RootElement();
    if (root == nullptr || root_tag != root->Name()) {
        platform::ReportDiagnostic(what + "wrong root element");
        return {};
    }
    return {std::move(document), root};
}

}  // namespace BkWin
