#include "reconstruct/SlidesWriter.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>

#include "reconstruct/OoxmlPackage.h"
#include "reconstruct/PresentationParts.h"
#include "reconstruct/SlideXml.h"

namespace reconstruct {
namespace {

// Slide sides that presentation programs accept, in points (1 to 56 inches).
constexpr double kMinSlideSide = 72;
constexpr double kMaxSlideSide = 4032;
// For a first page without a usable size: a 4:3 slide.
constexpr double kFallbackWidth = 720;
constexpr double kFallbackHeight = 540;

}  // namespace

std::unique_ptr<SlidesWriter> SlidesWriter::Create(const std::filesystem::path& target,
                                                   const std::filesystem::path& scratch,
                                                   std::string* error) {
    std::error_code code;
    std::filesystem::create_directories(scratch, code);
    std::string pattern = (scratch / "slides-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        *error = "cannot create a work folder in " + scratch.string();
        return nullptr;
    }
    auto package = OoxmlPackage::Create(target, error);
    if (!package) {
        std::filesystem::remove_all(pattern, code);
        return nullptr;
    }
    return std::unique_ptr<SlidesWriter>(new SlidesWriter(std::move(package), pattern));
}

SlidesWriter::SlidesWriter(std::unique_ptr<OoxmlPackage> package, std::filesystem::path work)
    : package_(std::move(package)), work_(std::move(work)) {}

SlidesWriter::~SlidesWriter() {
    // The package reads the work files until it is closed or discarded.
    package_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(work_, ignored);
}

bool SlidesWriter::AddFilePart(const std::string& name, std::string_view content_type,
                               std::string_view data, std::string* error) {
    std::string file_name = name;
    std::replace(file_name.begin(), file_name.end(), '/', '_');
    const std::filesystem::path file = work_ / file_name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        *error = "cannot write " + file.string();
        return false;
    }
    return package_->AddPartFromFile(name, content_type, file, error);
}

void SlidesWriter::ChooseSlideSize(const Page& first) {
    if (!(first.width > 0) || !(first.height > 0)) {
        slide_width_ = kFallbackWidth;
        slide_height_ = kFallbackHeight;
        return;
    }
    slide_width_ = std::clamp(first.width, kMinSlideSide, kMaxSlideSide);
    slide_height_ = std::clamp(first.height, kMinSlideSide, kMaxSlideSide);
}

bool SlidesWriter::AddPage(const Page& page, std::string* error) {
    if (!package_) {
        *error = "the deck is already finished";
        return false;
    }
    if (slides_ == 0)
        ChooseSlideSize(page);
    const SlideFrame frame = FrameFor(page.width, page.height, slide_width_, slide_height_);
    SlideContent content = BuildSlide(page, frame);
    for (const SlidePicture& picture : content.pictures) {
        const std::string media = "image" + std::to_string(++media_) + "." + picture.extension;
        const auto& bytes = picture.image->bytes;
        if (!AddFilePart("ppt/media/" + media, "",
                         {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, error))
            return false;
        content.relationships.push_back(
            {picture.relationship_id, "image", "../media/" + media, false});
    }
    const std::string slide = "slide" + std::to_string(slides_ + 1) + ".xml";
    if (!AddFilePart("ppt/slides/" + slide, kSlideContentType, content.xml, error) ||
        !AddFilePart("ppt/slides/_rels/" + slide + ".rels", "",
                     RelationshipsXml(content.relationships), error))
        return false;
    ++slides_;
    return true;
}

bool SlidesWriter::Finish(std::string* error) {
    if (!package_) {
        *error = "the deck is already finished";
        return false;
    }
    if (slides_ == 0) {
        slide_width_ = kFallbackWidth;
        slide_height_ = kFallbackHeight;
    }
    package_->AddDefault("png", "image/png");
    package_->AddDefault("jpeg", "image/jpeg");
    const bool written =
        AddDeckParts(package_.get(), slides_, Emu(slide_width_), Emu(slide_height_), error) &&
        package_->Finish(error);
    package_.reset();
    return written;
}

}  // namespace reconstruct
