#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace document_join {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;
    bool external = false;
};

// The relationships of one package part (a ".rels" part), editable and written back whole.
class Relationships {
public:
    bool Parse(const std::string& xml, std::string* error);
    const Relationship* Find(const std::string& id) const;
    // The first relationship whose type ends with "/<type_suffix>".
    const Relationship* FindType(const std::string& type_suffix) const;
    // Adds a relationship under an id no other one has; returns that id.
    std::string Add(const std::string& type, const std::string& target, bool external);
    std::vector<Relationship>& All() { return items_; }
    std::string Xml() const;

private:
    std::vector<Relationship> items_;
    std::unordered_set<std::string> ids_;
    int next_id_ = 1;
};

}  // namespace document_join
