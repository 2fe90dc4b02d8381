#pragma once

#include <tinyxml2.h>

#include <functional>
#include <initializer_list>
#include <string>

// Package paths and XML plumbing shared by the joins of office packages. Part names are
// written without the leading "/" ("word/document.xml").
namespace document_join {

inline constexpr const char* kRelationshipsNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The part a relationship target points at, seen from `source_part`; empty when the target
// climbs above the package root.
std::string ResolveTarget(const std::string& source_part, const std::string& target);
// How `part` is written as a relationship target of `source_part`.
std::string RelativeTarget(const std::string& source_part, const std::string& part);
// "word/_rels/document.xml.rels" for "word/document.xml".
std::string RelsPathOf(const std::string& part);
// The lower-case text after the last dot of the file name; empty when there is none.
std::string ExtensionOf(const std::string& part);

// Parses with whitespace kept (text runs depend on it). False with a reason naming `what`.
bool ParseXml(const std::string& bytes, tinyxml2::XMLDocument* document, const std::string& what,
              std::string* error);
std::string PrintXml(const tinyxml2::XMLDocument& document);

// The prefix `element` declares for `uri` ("" for a default namespace); false when undeclared.
bool PrefixOf(const tinyxml2::XMLElement* element, const std::string& uri, std::string* prefix);
// "prefix:local", or "local" for the default namespace.
std::string Qualified(const std::string& prefix, const char* local);

// Calls `visit` on `element` and every element below it, document order.
void ForEachElement(tinyxml2::XMLElement* element,
                    const std::function<void(tinyxml2::XMLElement*)>& visit);

// Inserts `node` right after the last child of `parent` named one of `names`, else first: the
// schemas fix the order of a part's children.
void InsertAfterLastOf(tinyxml2::XMLElement* parent, std::initializer_list<std::string> names,
                       tinyxml2::XMLNode* node);

}  // namespace document_join
