#pragma once

#include <map>
#include <string>
#include <vector>

namespace document_join {

// A package's "[Content_Types].xml": content types by extension and by part.
class ContentTypes {
public:
    static constexpr const char* kPartName = "[Content_Types].xml";

    bool Parse(const std::string& xml, std::string* error);
    // The part's own content type, else its extension's; empty when neither is known.
    std::string TypeOf(const std::string& part) const;
    // Gives `part` the content type `source` has for `source_part`: an override when `source`
    // overrides that part, else the extension's default (added when missing here).
    void Adopt(const std::string& part, const ContentTypes& source, const std::string& source_part);
    void SetOverride(const std::string& part, const std::string& type);
    std::string Xml() const;

private:
    std::vector<std::pair<std::string, std::string>> defaults_;  // extension, type
    std::map<std::string, std::string> overrides_;               // part (no "/"), type
    std::string DefaultFor(const std::string& extension) const;
};

}  // namespace document_join
