#pragma once

#include <filesystem>
#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/OoxmlPackage.h"
#include "reconstruct/WordRelationships.h"

namespace reconstruct {

// Pictures of a Word document: each one's bytes go to a file in the scratch folder, from which
// the package copies them when it is written, so pictures never accumulate in memory.
class WordPictures {
public:
    WordPictures(OoxmlPackage& package, WordRelationships& relationships,
                 std::filesystem::path scratch);

    // Stores `image` as word/media/imageN and sets `run_xml` to an inline drawing of it,
    // `width` x `height` points. A picture with no bytes or a type other than PNG or JPEG is
    // left out: true with `run_xml` empty.
    bool Add(const Image& image, double width, double height, std::string* run_xml,
             std::string* error);

private:
    OoxmlPackage& package_;
    WordRelationships& relationships_;
    std::filesystem::path scratch_;
    int count_ = 0;
};

// An inline picture run: `relationship_id` names the media part, `id` is unique in the document.
std::string DrawingRunXml(const std::string& relationship_id, int id, long cx, long cy);

}  // namespace reconstruct
