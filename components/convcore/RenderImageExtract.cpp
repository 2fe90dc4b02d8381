#include "convcore/RenderImageExtract.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "platform/Format.h"

namespace convcore {
namespace {

// A device that only notes the pictures a page draws, in the order they are first drawn.
struct ImageCollector {
    fz_device super;
    std::vector<fz_image*>* images;  // kept references; owned by PageImages
};

void CollectImage(fz_context* context, fz_device* device, fz_image* image, fz_matrix, float,
                  fz_color_params) {
    std::vector<fz_image*>& images = *reinterpret_cast<ImageCollector*>(device)->images;
    if (std::find(images.begin(), images.end(), image) != images.end())
        return;
    bool stored = true;
    try {
        images.push_back(image);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    // MuPDF's own error path, outside the handler: a C++ exception must not cross MuPDF.
    if (!stored)
        fz_throw(context, FZ_ERROR_MEMORY, "too many pictures on one page");
    fz_keep_image(context, image);
}

// The pictures of one page, each held until the page is done.
class PageImages {
public:
    explicit PageImages(fz_context* context) : context_(context) {}
    ~PageImages() {
        for (fz_image* image : images_)
            fz_drop_image(context_, image);
    }
    PageImages(const PageImages&) = delete;
    PageImages& operator=(const PageImages&) = delete;

    bool Collect(fz_page* page, fz_cookie* cookie, std::string* error) {
        fz_context* context = context_;
        DeviceHandle device(context);
        return CatchMupdf(
            context,
            [&] {
                auto* collector = reinterpret_cast<ImageCollector*>(
                    fz_new_device_of_size(context, sizeof(ImageCollector)));
                device.Slot() = &collector->super;
                collector->images = &images_;
                collector->super.fill_image = CollectImage;
                fz_run_page(context, page, device.Get(), fz_identity, cookie);
                fz_close_device(context, device.Get());
            },
            error);
    }

    const std::vector<fz_image*>& Images() const { return images_; }

private:
    fz_context* context_;
    std::vector<fz_image*> images_;
};

bool IsStoredJpeg(fz_context* context, fz_image* image) {
    const fz_compressed_buffer* stored = fz_compressed_image_buffer(context, image);
    return stored != nullptr && stored->buffer != nullptr && stored->params.type == FZ_IMAGE_JPEG;
}

bool CopyStoredJpeg(fz_context* context, fz_image* image, const std::filesystem::path& file,
                    std::string* error) {
    unsigned char* data = nullptr;
    const std::size_t size =
        fz_buffer_storage(context, fz_compressed_image_buffer(context, image)->buffer, &data);
    std::FILE* output = std::fopen(file.c_str(), "wb");
    const bool written = output != nullptr && std::fwrite(data, 1, size, output) == size;
    const bool closed = output != nullptr && std::fclose(output) == 0;
    if (written && closed)
        return true;
    *error = platform::Format("cannot write %s", file.string());
    return false;
}

// PNG holds grey or RGB; anything else (CMYK, Lab, spot colours) is converted to RGB.
bool NeedsRgb(fz_context* context, fz_pixmap* pixmap) {
    fz_colorspace* space = fz_pixmap_colorspace(context, pixmap);
    if (space == nullptr || fz_pixmap_spots(context, pixmap) > 0)
        return true;
    const enum fz_colorspace_type type = fz_colorspace_type(context, space);
    return type != FZ_COLORSPACE_GRAY && type != FZ_COLORSPACE_RGB;
}

bool SaveDecoded(fz_context* context, fz_image* image, const std::filesystem::path& file,
                 std::string* error) {
    PixmapHandle decoded(context);
    PixmapHandle converted(context);
    return CatchMupdf(
        context,
        [&] {
            decoded.Slot() = fz_get_unscaled_pixmap_from_image(context, image);
            fz_pixmap* saved = decoded.Get();
            if (NeedsRgb(context, saved)) {
                converted.Slot() = fz_convert_pixmap(context, saved, fz_device_rgb(context),
                                                     nullptr, nullptr, fz_default_color_params, 1);
                saved = converted.Get();
            }
            fz_save_pixmap_as_png(context, saved, file.c_str());
        },
        error);
}

class ImageExtraction {
public:
    ImageExtraction(const RenderDocument& document, std::filesystem::path folder, TaskContext& task)
        : document_(document), folder_(std::move(folder)), task_(task), cookie_(task) {}

    bool Run(const std::vector<int>& pages, std::string* error) {
        for (std::size_t done = 0; done < pages.size(); ++done) {
            if (!ExtractPage(pages[done], error))
                return false;
            task_.SetProgress(static_cast<int>((done + 1) * 100 / pages.size()));
        }
        return outputs_.CommitAll(error);
    }

    int Count() const { return static_cast<int>(outputs_.Count()); }

private:
    bool ExtractPage(int index, std::string* error) {
        fz_context* context = document_.Context();
        PageHandle page(context);
        PageImages images(context);
        if (!document_.LoadPage(index, &page, error) ||
            !images.Collect(page.Get(), cookie_.Get(), error))
            return false;
        int number = 0;
        for (fz_image* image : images.Images()) {
            if (cookie_.Cancelled()) {
                *error = "cancelled";
                return false;
            }
            const bool jpeg = IsStoredJpeg(context, image);
            const std::string name = platform::Format("%s_p%d_%d.%s", document_.Title(), index + 1,
                                                      ++number, jpeg ? "jpg" : "png");
            const std::filesystem::path& work = outputs_.Add(folder_ / name);
            if (!(jpeg ? CopyStoredJpeg(context, image, work, error)
                       : SaveDecoded(context, image, work, error)))
                return false;
        }
        if (cookie_.Cancelled()) {
            *error = "cancelled";
            return false;
        }
        return true;
    }

    const RenderDocument& document_;
    std::filesystem::path folder_;
    TaskContext& task_;
    CancelCookie cookie_;
    OutputSet outputs_;
};

}  // namespace

TaskOutcome ExtractPdfImages(const Json::Value& record, TaskContext& context) {
    std::string error;
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    OutputFolder folder(TextField(record, "target_dir"));
    if (!folder.Prepare(&error))
        return TaskOutcome::Failure(error);
    ImageExtraction extraction(*document, TextField(record, "target_dir"), context);
    if (!extraction.Run(pages, &error))
        return TaskOutcome::Failure(context.IsCancelled() ? "cancelled" : error);
    folder.Keep();
    context.Report("image_count", extraction.Count());
    if (extraction.Count() == 0)
        return TaskOutcome::Success("the pages hold no pictures");
    return TaskOutcome::Success();
}

}  // namespace convcore
