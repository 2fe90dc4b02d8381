#include "bkwin/BkPngPool.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_map>

#include "bkwin/BkDpi.h"
#include "bkwin/BkResource.h"
#include "platform/Diagnostics.h"

namespace BkWin {
namespace {

// UI thread only.
std::unordered_map<int, BkPngPool::Image>& Pool() {
    static std::unordered_map<int, BkPngPool::Image> pool;
    return pool;
}

constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";

std::uint32_t BigEndian32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// The image size from the header chunk, read before decoding so that a small file cannot ask
// for a huge surface.
bool HeaderWithinLimits(std::string_view png) {
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13;  // signature, chunk length and type, IHDR
    if (png.size() < kHeaderEnd || !png.starts_with(kSignature) || png.substr(12, 4) != "IHDR")
        return false;
    const std::uint32_t width = BigEndian32(png, 16);
    const std::uint32_t height = BigEndian32(png, 20);
    return width > 0 && height > 0 && width <= BkPngPool::kMaxImageSide &&
           height <= BkPngPool::kMaxImageSide;
}

struct Reader {
    std::string_view data;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<Reader*>(closure);
    if (length > reader->data.size())
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data.data(), length);
    reader->data.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
}

std::optional<std::string> ReadFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > BkPngPool::kMaxPngBytes)
        return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
        return std::nullopt;
    return std::string{std::istreambuf_iterator<char>(stream), {}};
}

BkPngPool::Image Load(int png_id) {
    // A pre-scaled image that cannot be read leaves the normal resource.
    if (const auto scaled = BkDpi::PreScaledImage(png_id)) {
        if (const auto data = ReadFile(scaled->file)) {
            if (cairo_surface_t* surface = BkPngPool::Decode(*data))
                return {surface, scaled->rate};
        }
        platform::ReportDiagnostic("bkwin: unreadable image " + scaled->file.string());
    }
    const std::optional<std::string> data = BkResource::Find("png", png_id);
    if (!data)
        return {};
    cairo_surface_t* surface = BkPngPool::Decode(*data);
    if (surface == nullptr)
        platform::ReportDiagnostic("bkwin: png resource " + std::to_string(png_id) +
                                   " is unreadable");
    return {surface, 1.0f};
}

}  // namespace

cairo_surface_t* BkPngPool::Decode(std::string_view png) {
    if (png.size() > kMaxPngBytes || !HeaderWithinLimits(png))
        return nullptr;
    Reader reader{png};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadChunk, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

BkPngPool::Image BkPngPool::Get(int png_id) {
    auto found = Pool().find(png_id);
    if (found == Pool().end())
        found = Pool().emplace(png_id, Load(png_id)).first;
    return found->second;
}

void BkPngPool::Clear() {
    for (auto& [id, image] : Pool())
        cairo_surface_destroy(image.surface);
    Pool().clear();
}

}  // namespace BkWin
