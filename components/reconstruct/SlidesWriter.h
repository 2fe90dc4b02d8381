#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

class OoxmlPackage;

// Writes pages as a slide deck, one slide per page at the first page's shape: text as editable
// text boxes where the page had it, tables as slide tables, pictures as pictures. Each slide
// and picture goes to a file under `scratch` as soon as its page is added, so memory does not
// grow with the page count; the deck is assembled from those files by Finish, and nothing is
// written to `target` before.
class SlidesWriter {
public:
    static std::unique_ptr<SlidesWriter> Create(const std::filesystem::path& target,
                                                const std::filesystem::path& scratch,
                                                std::string* error);
    bool AddPage(const Page& page, std::string* error);
    bool Finish(std::string* error);

    ~SlidesWriter();
    SlidesWriter(const SlidesWriter&) = delete;
    SlidesWriter& operator=(const SlidesWriter&) = delete;

private:
    SlidesWriter(std::unique_ptr<OoxmlPackage> package, std::filesystem::path work);
    bool AddFilePart(const std::string& name, std::string_view content_type, std::string_view data,
                     std::string* error);
    void ChooseSlideSize(const Page& first);

    std::unique_ptr<OoxmlPackage> package_;
    std::filesystem::path work_;  // this deck's own folder under the caller's scratch
    int slides_ = 0;
    int media_ = 0;
    double slide_width_ = 0;  // points
    double slide_height_ = 0;
};

}  // namespace reconstruct
