#pragma once

#include <map>
#include <string>
#include <string_view>

namespace reconstruct {

// The relationships of one part of a Word document (pictures, hyperlinks, headers, styles). The
// entries can be taken out as they accumulate so that a long document's list never sits in memory.
class WordRelationships {
public:
    // The id of a new relationship of `type`, the last segment of its official type name
    // ("image", "hyperlink", "styles"), to `target`, a path relative to the part or, when
    // `external`, an address outside the package.
    std::string Add(std::string_view type, const std::string& target, bool external = false);
    // Links to the same address share one relationship until the next Drain.
    std::string AddHyperlink(const std::string& uri);
    // The <Relationship> elements added since the last call.
    std::string Drain();

    // A whole relationships part around `entries`.
    static std::string PartXml(const std::string& entries);
    static constexpr std::string_view kXmlStart =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    static constexpr std::string_view kXmlEnd = "</Relationships>";

private:
    int next_id_ = 1;
    std::string entries_;
    std::map<std::string, std::string> hyperlinks_;
};

}  // namespace reconstruct
