#pragma once

#include <tinyxml2.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "composite/ContentTypes.h"
#include "composite/Relationships.h"
#include "composite/ZipArchive.h"

namespace document_join {

// One office package with its main part parsed.
struct OfficePackage {
    std::string path;
    std::unique_ptr<ZipReader> reader = std::make_unique<ZipReader>();
    std::string main_part;
    tinyxml2::XMLDocument document{true, tinyxml2::PRESERVE_WHITESPACE};
    Relationships relationships;  // of the main part
    ContentTypes types;
};

bool LoadOfficePackage(const std::filesystem::path& path, OfficePackage* package,
                       std::string* error);
bool ReadPackageXml(const OfficePackage& package, const std::string& part,
                    tinyxml2::XMLDocument* document, std::string* error);
// The relationships of `rels_part`; none (and true) when the package lacks it.
bool ReadPackageRelationships(const OfficePackage& package, const std::string& rels_part,
                              Relationships* relationships, std::string* error);

// The part the main part relates to by `type` (the last segment of the relationship type),
// parsed into `document`; `part` is left empty (and true returned) when there is none.
bool ReadRelatedPart(const OfficePackage& package, const char* type,
                     tinyxml2::XMLDocument* document, std::string* part, std::string* error);

// What a copied part's own relationship should lead to.
enum class Sharing {
    kCopy,   // a copy of its target, made alongside
    kShare,  // a part the base package already has (named by the policy)
    kDrop,   // nothing: the relationship is left out
};
// Decides for a relationship of copied part `source`.
using SharingPolicy = std::function<Sharing(const std::string& source, const Relationship&,
                                            std::string* shared_part)>;

// The joined package being assembled: the base package's entries, some of them rewritten, and
// parts copied from later packages under fresh names with the parts they refer to in turn.
class PackageAssembly {
public:
    explicit PackageAssembly(OfficePackage* base);

    void SetSharingPolicy(SharingPolicy policy) { policy_ = std::move(policy); }
    // Copies part `source` of package `number`; `copied` is its name here.
    bool CopyPart(const OfficePackage& from, int number, const std::string& source,
                  std::string* copied, std::string* error);
    // A name no entry has, made from `source` and `number`, reserved from now on.
    std::string FreshName(const std::string& source, int number);
    void SetEntry(const std::string& name, std::string bytes);
    // Copies are read from `reader` when the package is written.
    void KeepOpen(std::unique_ptr<ZipReader> reader) { readers_.push_back(std::move(reader)); }
    bool Write(const std::filesystem::path& target, std::string* error);

private:
    struct AddedEntry {
        std::string name;
        const ZipReader* reader = nullptr;  // copied from here when set
        std::string from;
    };
    bool CopyPart(const OfficePackage& from, int number, const std::string& source, int depth,
                  std::string* copied, std::string* error);
    bool CopyRelationships(const OfficePackage& from, int number, const std::string& source,
                           const std::string& copied, int depth, std::string* error);

    OfficePackage* base_;
    SharingPolicy policy_;
    std::map<std::pair<int, std::string>, std::string> copied_;  // (package, part) → here
    std::unordered_set<std::string> names_;
    std::map<std::string, std::string> entries_;  // written from memory
    std::vector<AddedEntry> added_;
    std::vector<std::unique_ptr<ZipReader>> readers_;
};

// Runs a joiner (Start with the first part, Append each later one with its 1-based number,
// Finish into `target`) over `parts`.
template <typename Joiner>
bool JoinParts(const std::vector<std::filesystem::path>& parts, const std::filesystem::path& target,
               std::string* error) {
    if (parts.empty()) {
        *error = "there are no parts to join";
        return false;
    }
    Joiner joiner;
    if (!joiner.Start(parts.front(), error))
        return false;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (!joiner.Append(parts[i], static_cast<int>(i + 1), error))
            return false;
    }
    return joiner.Finish(target, error);
}

}  // namespace document_join
