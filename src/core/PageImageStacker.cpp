#include "core/PageImageStacker.h"

#include <FreeImage.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <system_error>

#include "app/AsynLog.h"
#include "core/NaturalOrder.h"
#include "platform/Format.h"
#include "platform/Text.h"
#include "platform/Tick.h"

namespace fs = std::filesystem;

namespace page_images {
namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

Bitmap Load(const fs::path& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN)
        format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
        return nullptr;
    return Bitmap(FreeImage_Load(format, path.c_str(), 0));
}

// The depth the stacked image gets from its upper picture. Palettes other than plain grey and
// high-precision pixels have no common form for two pictures, so those become 24-bit colour.
unsigned StackDepth(FIBITMAP* upper) {
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(upper);
    if (type != FIT_BITMAP)
        return type == FIT_RGBA16 || type == FIT_RGBAF ? 32 : 24;
    const unsigned depth = FreeImage_GetBPP(upper);
    if (depth == 24 || depth == 32)
        return depth;
    if (depth == 8 && FreeImage_GetColorType(upper) == FIC_MINISBLACK)
        return 8;
    return 24;
}

Bitmap ConvertTo(FIBITMAP* image, unsigned depth) {
    switch (depth) {
        case 32:
            return Bitmap(FreeImage_ConvertTo32Bits(image));
        case 8:
            return Bitmap(FreeImage_ConvertToGreyscale(image));
        default:
            return Bitmap(FreeImage_ConvertTo24Bits(image));
    }
}

Bitmap AllocateZeroed(unsigned width, unsigned height, unsigned depth) {
    Bitmap bitmap(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                     static_cast<int>(depth)));
    if (!bitmap)
        return nullptr;
    if (depth == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            const auto grey = static_cast<BYTE>(i);
            palette[i] = RGBQUAD{grey, grey, grey, 0};
        }
    }
    const std::size_t bytes = static_cast<std::size_t>(FreeImage_GetPitch(bitmap.get())) *
                              FreeImage_GetHeight(bitmap.get());
    std::fill_n(FreeImage_GetBits(bitmap.get()), bytes, BYTE{0});
    return bitmap;
}

bool Save(FIBITMAP* image, const fs::path& output) {
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(output.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsWriting(format) ||
        !FreeImage_FIFSupportsExportBPP(format, static_cast<int>(FreeImage_GetBPP(image))))
        return false;
    return FreeImage_Save(format, image, output.c_str(), 0) != FALSE;
}

// A name beside `path` that no other writer in this process or another one picks.
fs::path PartialName(const fs::path& path) {
    static std::atomic<unsigned> sequence{0};
    return path.parent_path() / platform::Format(".%s.%d.%u.partial", path.filename().string(),
                                                 static_cast<int>(::getpid()), ++sequence);
}

bool CopyAtomically(const fs::path& from, const fs::path& to) {
    const fs::path partial = PartialName(to);
    std::error_code error;
    if (fs::copy_file(from, partial, error))
        fs::rename(partial, to, error);
    if (error) {
        keasy::AsynLog::Instance().Print("page merge copy fail:%ws -> %ws, %s", from.string(),
                                         to.string(), error.message());
        fs::remove(partial, error);
        return false;
    }
    return true;
}

// The scratch folder may sit on another file system than the target, where rename fails.
bool MoveInto(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    if (!error)
        return true;
    const bool copied = CopyAtomically(from, to);
    fs::remove(from, error);
    return copied;
}

// "<name>_<tick>_<n>.<extension>" in `folder`, where `name` is the picture's name without
// its extension.
fs::path NumberedName(const fs::path& folder, const fs::path& image, std::uint32_t tick, int n,
                      const std::string& extension) {
    return folder / platform::Format("%s_%d_%d.%s", image.stem().string(), tick, n, extension);
}

std::string LowerExtensionOf(const fs::path& image) {
    const std::string extension = image.extension().string();
    return platform::AsciiToLower(extension.empty() ? extension : extension.substr(1));
}

// Takes the front picture and stacks as many of the following ones under it as will go; the
// first picture that will not stays on the list.
bool BuildTallImage(std::deque<fs::path>& images, const fs::path& output,
                    const fs::path& scratch_folder, const std::atomic<bool>& stop) {
    const fs::path first = images.front();
    images.pop_front();
    if (images.empty())
        return CopyAtomically(first, output);

    const std::uint32_t tick = platform::GetTickCount();
    const std::string extension = LowerExtensionOf(first);
    const fs::path stacked = NumberedName(scratch_folder, first, tick, 0, extension);
    const fs::path next = NumberedName(scratch_folder, first, tick, 1, extension);
    std::error_code error;
    if (!fs::copy_file(first, stacked, fs::copy_options::overwrite_existing, error))
        return false;
    while (!images.empty() && !stop) {
        if (!StackImages(stacked, images.front(), next)) {
            fs::remove(next, error);
            break;
        }
        fs::rename(next, stacked, error);
        if (error)
            break;
        images.pop_front();
    }
    return MoveInto(stacked, output);
}

}  // namespace

std::vector<fs::path> ListInNaturalOrder(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> images;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) &&
            platform::EqualsIgnoreAsciiCase(LowerExtensionOf(it->path()), extension))
            images.push_back(it->path());
    }
    std::sort(images.begin(), images.end(), [](const fs::path& a, const fs::path& b) {
        return natural_order::Less(a.filename().string(), b.filename().string());
    });
    return images;
}

bool StackImages(const fs::path& upper, const fs::path& lower, const fs::path& output) {
    Bitmap top = Load(upper);
    Bitmap bottom = Load(lower);
    if (!top || !bottom)
        return false;
    const unsigned depth = StackDepth(top.get());
    top = ConvertTo(top.get(), depth);
    bottom = ConvertTo(bottom.get(), depth);
    if (!top || !bottom)
        return false;
    const unsigned top_width = FreeImage_GetWidth(top.get());
    const unsigned bottom_width = FreeImage_GetWidth(bottom.get());
    const unsigned top_height = FreeImage_GetHeight(top.get());
    const unsigned width = std::max(top_width, bottom_width);
    const unsigned height = top_height + FreeImage_GetHeight(bottom.get());
    Bitmap result = AllocateZeroed(width, height, depth);
    if (!result)
        return false;
    // Above 255 the alpha argument means a plain copy, alpha channel included.
    constexpr int kCopy = 256;
    if (!FreeImage_Paste(result.get(), top.get(), static_cast<int>((width - top_width) / 2), 0,
                         kCopy) ||
        !FreeImage_Paste(result.get(), bottom.get(), static_cast<int>((width - bottom_width) / 2),
                         static_cast<int>(top_height), kCopy))
        return false;
    return Save(result.get(), output);
}

std::vector<fs::path> MergeIntoFolder(std::deque<fs::path> images, const fs::path& target_folder,
                                      const fs::path& scratch_folder,
                                      const std::atomic<bool>& stop) {
    std::vector<fs::path> written;
    for (int n = 0; !images.empty() && !stop; ++n) {
        const fs::path& first = images.front();
        fs::path output = NumberedName(target_folder, first, platform::GetTickCount(), n,
                                       LowerExtensionOf(first));
        // Never overwrite a file the user already has there.
        std::error_code error;
        if (fs::exists(output, error))
            continue;
        if (BuildTallImage(images, output, scratch_folder, stop))
            written.push_back(std::move(output));
    }
    return written;
}

}  // namespace page_images
