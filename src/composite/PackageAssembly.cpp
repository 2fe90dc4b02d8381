#include "composite/PackageAssembly.h"

#include "composite/OoxmlParts.h"

namespace document_join {
namespace {

// Parts refer to parts (a header to its pictures, a chart to its workbook); deeper chains are
// not real documents.
constexpr int kMaxCopyDepth = 8;

bool FindMainPart(const OfficePackage& package, std::string* main_part, std::string* error) {
    Relationships root;
    if (!ReadPackageRelationships(package, "_rels/.rels", &root, error)) {
        return false;
    }
    const Relationship* office = root.FindType("officeDocument");
    *main_part = office ? ResolveTarget("", office->target) : std::string();
    if (main_part->empty()) {
        *error = package.path + " has no main document";
        return false;
    }
    return true;
}

}  // namespace

bool ReadPackageXml(const OfficePackage& package, const std::string& part,
                    tinyxml2::XMLDocument* document, std::string* error) {
    std::string bytes;
    return package.reader->Read(part, &bytes, error) &&
           ParseXml(bytes, document, package.path + ": " + part, error);
}

bool ReadPackageRelationships(const OfficePackage& package, const std::string& rels_part,
                              Relationships* relationships, std::string* error) {
    std::string bytes;
    if (!package.reader->Has(rels_part)) {
        return true;
    }
    return package.reader->Read(rels_part, &bytes, error) && relationships->Parse(bytes, error);
}

bool LoadOfficePackage(const std::filesystem::path& path, OfficePackage* package,
                       std::string* error) {
    package->path = path.string();
    std::string types;
    return package->reader->Open(path, error) &&
           package->reader->Read(ContentTypes::kPartName, &types, error) &&
           package->types.Parse(types, error) &&
           FindMainPart(*package, &package->main_part, error) &&
           ReadPackageXml(*package, package->main_part, &package->document, error) &&
           ReadPackageRelationships(*package, RelsPathOf(package->main_part),
                                    &package->relationships, error);
}

bool ReadRelatedPart(const OfficePackage& package, const char* type,
                     tinyxml2::XMLDocument* document, std::string* part, std::string* error) {
    part->clear();
    const Relationship* relationship = package.relationships.FindType(type);
    if (!relationship || relationship->external) {
        return true;
    }
    *part = ResolveTarget(package.main_part, relationship->target);
    return ReadPackageXml(package, *part, document, error);
}

PackageAssembly::PackageAssembly(OfficePackage* base) : base_(base) {
    names_.insert(base->reader->Names().begin(), base->reader->Names().end());
}

bool PackageAssembly::CopyPart(const OfficePackage& from, int number, const std::string& source,
                               std::string* copied, std::string* error) {
    return CopyPart(from, number, source, 0, copied, error);
}

bool PackageAssembly::CopyPart(const OfficePackage& from, int number, const std::string& source,
                               int depth, std::string* copied, std::string* error) {
    const auto known = copied_.find({number, source});
    if (known != copied_.end()) {
        *copied = known->second;
        return true;
    }
    if (source.empty() || depth > kMaxCopyDepth || !from.reader->Has(source)) {
        *error = from.path + " refers to a part it lacks: " + source;
        return false;
    }
    *copied = FreshName(source, number);
    copied_[{number, source}] = *copied;
    base_->types.Adopt(*copied, from.types, source);
    if (!CopyRelationships(from, number, source, *copied, depth, error)) {
        return false;
    }
    added_.push_back({*copied, from.reader.get(), source});
    return true;
}

bool PackageAssembly::CopyRelationships(const OfficePackage& from, int number,
                                        const std::string& source, const std::string& copied,
                                        int depth, std::string* error) {
    Relationships nested;
    if (!ReadPackageRelationships(from, RelsPathOf(source), &nested, error)) {
        return false;
    }
    Relationships kept;
    for (Relationship& relationship : nested.All()) {
        std::string shared;
        const Sharing sharing = policy_ ? policy_(source, relationship, &shared) : Sharing::kCopy;
        if (sharing == Sharing::kDrop) {
            continue;
        }
        if (!relationship.external) {
            std::string target = shared;
            if (sharing == Sharing::kCopy &&
                !CopyPart(from, number, ResolveTarget(source, relationship.target), depth + 1,
                          &target, error)) {
                return false;
            }
            relationship.target = RelativeTarget(copied, target);
        }
        kept.All().push_back(relationship);
    }
    if (!kept.All().empty()) {
        const std::string rels = RelsPathOf(copied);
        names_.insert(rels);
        entries_[rels] = kept.Xml();
    }
    return true;
}

std::string PackageAssembly::FreshName(const std::string& source, int number) {
    const size_t slash = source.rfind('/');
    const size_t dot = source.rfind('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = has_extension ? source.substr(0, dot) : source;
    const std::string extension = has_extension ? source.substr(dot) : "";
    const std::string numbered = number > 0 ? stem + "_" + std::to_string(number) : stem;
    std::string name = numbered + extension;
    for (int i = 2; names_.count(name); ++i) {
        name = numbered + "_" + std::to_string(i) + extension;
    }
    names_.insert(name);
    return name;
}

void PackageAssembly::SetEntry(const std::string& name, std::string bytes) {
    names_.insert(name);
    entries_[name] = std::move(bytes);
}

bool PackageAssembly::Write(const std::filesystem::path& target, std::string* error) {
    entries_[ContentTypes::kPartName] = base_->types.Xml();
    ZipWriter writer;
    for (const std::string& name : base_->reader->Names()) {
        auto replaced = entries_.find(name);
        if (replaced == entries_.end()) {
            writer.AddCopy(name, *base_->reader, name);
            continue;
        }
        writer.AddBytes(name, std::move(replaced->second));
        entries_.erase(replaced);
    }
    for (auto& [name, bytes] : entries_) {
        writer.AddBytes(name, std::move(bytes));
    }
    for (const AddedEntry& entry : added_) {
        writer.AddCopy(entry.name, *entry.reader, entry.from);
    }
    return writer.Commit(target, error);
}

}  // namespace document_join
