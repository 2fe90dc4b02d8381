#include "reconstruct/WordRelationships.h"

#include "reconstruct/OoxmlPackage.h"

namespace reconstruct {

std::string WordRelationships::Add(std::string_view type, const std::string& target,
                                   bool external) {
    std::string id = "rId" + std::to_string(next_id_++);
    entries_ += "<Relationship Id=\"" + id +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
                std::string(type) + "\" Target=\"" + XmlEscape(target) + "\"" +
                (external ? " TargetMode=\"External\"" : "") + "/>";
    return id;
}

std::string WordRelationships::AddHyperlink(const std::string& uri) {
    const auto known = hyperlinks_.find(uri);
    if (known != hyperlinks_.end())
        return known->second;
    std::string id = Add("hyperlink", uri, true);
    hyperlinks_.emplace(uri, id);
    return id;
}

std::string WordRelationships::Drain() {
    hyperlinks_.clear();
    std::string taken;
    taken.swap(entries_);
    return taken;
}

std::string WordRelationships::PartXml(const std::string& entries) {
    return std::string(kXmlStart) + entries + std::string(kXmlEnd);
}

}  // namespace reconstruct
