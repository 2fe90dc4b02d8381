#include "composite/PresentationJoin.h"

#include <algorithm>
#include <climits>

#include "composite/OoxmlParts.h"
#include "composite/PackageAssembly.h"

namespace document_join {
namespace {

constexpr const char* kPresentationNs =
    "http://schemas.openxmlformats.org/presentationml/2006/main";
constexpr const char* kLayoutContentType =
    "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml";
// Slide ids start here and stay below 2^31.
constexpr int kFirstSlideId = 256;

struct Prefixes {
    std::string p;
    std::string r;
};

bool PrefixesOf(const OfficePackage& package, Prefixes* prefixes, std::string* error) {
    const tinyxml2::XMLElement* root = package.document.RootElement();
    if (!PrefixOf(root, kPresentationNs, &prefixes->p) ||
        !PrefixOf(root, kRelationshipsNs, &prefixes->r)) {
        *error = package.path + " is not a presentation";
        return false;
    }
    return true;
}

class PresentationJoiner {
public:
    bool Start(const std::filesystem::path& first, std::string* error);
    bool Append(const std::filesystem::path& path, int number, std::string* error);
    bool Finish(const std::filesystem::path& target, std::string* error);

private:
    Sharing ShareLayout(const std::string& source, const Relationship& relationship,
                        std::string* shared) const;
    bool AppendSlide(const OfficePackage& part, int number, const Relationship& relationship,
                     std::string* error);
    tinyxml2::XMLElement* SlideList();

    OfficePackage base_;
    Prefixes prefixes_;
    std::unique_ptr<PackageAssembly> assembly_;
    std::vector<std::string> layouts_;
    int next_slide_id_ = kFirstSlideId;
};

bool PresentationJoiner::Start(const std::filesystem::path& first, std::string* error) {
    if (!LoadOfficePackage(first, &base_, error) || !PrefixesOf(base_, &prefixes_, error)) {
        return false;
    }
    for (const std::string& name : base_.reader->Names()) {
        if (base_.types.TypeOf(name) == kLayoutContentType) {
            layouts_.push_back(name);
        }
    }
    const std::string slide_id = Qualified(prefixes_.p, "sldId");
    ForEachElement(base_.document.RootElement(), [&](tinyxml2::XMLElement* e) {
        if (slide_id == e->Name()) {
            next_slide_id_ = std::max(next_slide_id_, e->IntAttribute("id") + 1);
        }
    });
    assembly_ = std::make_unique<PackageAssembly>(&base_);
    assembly_->SetSharingPolicy(
        [this](const std::string& source, const Relationship& relationship, std::string* shared) {
            return ShareLayout(source, relationship, shared);
        });
    return true;
}

// Masters and layouts stay the first part's, which the presentation lists; notes would point
// back at slides of their own package.
Sharing PresentationJoiner::ShareLayout(const std::string& source, const Relationship& relationship,
                                        std::string* shared) const {
    const auto ends_with = [&](const std::string& suffix) {
        return relationship.type.size() >= suffix.size() &&
               relationship.type.compare(relationship.type.size() - suffix.size(), suffix.size(),
                                         suffix) == 0;
    };
    if (ends_with("/notesSlide")) {
        return Sharing::kDrop;
    }
    if (!ends_with("/slideLayout") || layouts_.empty()) {
        return Sharing::kCopy;
    }
    const std::string layout = ResolveTarget(source, relationship.target);
    const bool known = std::find(layouts_.begin(), layouts_.end(), layout) != layouts_.end();
    *shared = known ? layout : layouts_.front();
    return Sharing::kShare;
}

tinyxml2::XMLElement* PresentationJoiner::SlideList() {
    tinyxml2::XMLElement* root = base_.document.RootElement();
    const std::string name = Qualified(prefixes_.p, "sldIdLst");
    if (tinyxml2::XMLElement* list = root->FirstChildElement(name.c_str())) {
        return list;
    }
    tinyxml2::XMLElement* list = base_.document.NewElement(name.c_str());
    InsertAfterLastOf(
        root,
        {Qualified(prefixes_.p, "sldMasterIdLst"), Qualified(prefixes_.p, "notesMasterIdLst"),
         Qualified(prefixes_.p, "handoutMasterIdLst")},
        list);
    return list;
}

bool PresentationJoiner::Append(const std::filesystem::path& path, int number, std::string* error) {
    auto part = std::make_unique<OfficePackage>();
    Prefixes prefixes;
    if (!LoadOfficePackage(path, part.get(), error) || !PrefixesOf(*part, &prefixes, error)) {
        return false;
    }
    const tinyxml2::XMLElement* list =
        part->document.RootElement()->FirstChildElement(Qualified(prefixes.p, "sldIdLst").c_str());
    const std::string slide_id = Qualified(prefixes.p, "sldId");
    const std::string relationship_id = Qualified(prefixes.r, "id");
    for (const tinyxml2::XMLElement* e = list ? list->FirstChildElement(slide_id.c_str()) : nullptr;
         e; e = e->NextSiblingElement(slide_id.c_str())) {
        const char* id = e->Attribute(relationship_id.c_str());
        const Relationship* relationship = id ? part->relationships.Find(id) : nullptr;
        if (!relationship || relationship->external) {
            *error = part->path + " lists a slide it lacks";
            return false;
        }
        if (!AppendSlide(*part, number, *relationship, error)) {
            return false;
        }
    }
    assembly_->KeepOpen(std::move(part->reader));
    return true;
}

bool PresentationJoiner::AppendSlide(const OfficePackage& part, int number,
                                     const Relationship& relationship, std::string* error) {
    std::string copied;
    if (!assembly_->CopyPart(part, number, ResolveTarget(part.main_part, relationship.target),
                             &copied, error)) {
        return false;
    }
    if (next_slide_id_ == INT_MAX) {
        *error = "too many slides to join";
        return false;
    }
    const std::string id =
        base_.relationships.Add(relationship.type, RelativeTarget(base_.main_part, copied), false);
    tinyxml2::XMLElement* entry =
        SlideList()->InsertNewChildElement(Qualified(prefixes_.p, "sldId").c_str());
    entry->SetAttribute("id", next_slide_id_++);
    entry->SetAttribute(Qualified(prefixes_.r, "id").c_str(), id.c_str());
    return true;
}

bool PresentationJoiner::Finish(const std::filesystem::path& target, std::string* error) {
    assembly_->SetEntry(base_.main_part, PrintXml(base_.document));
    assembly_->SetEntry(RelsPathOf(base_.main_part), base_.relationships.Xml());
    return assembly_->Write(target, error);
}

}  // namespace

bool JoinPresentations(const std::vector<std::filesystem::path>& parts,
                       const std::filesystem::path& target, std::string* error) {
    return JoinParts<PresentationJoiner>(parts, target, error);
}

}  // namespace document_join
