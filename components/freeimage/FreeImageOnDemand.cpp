// FreeImage is loaded on the first picture a process touches, not when it starts: with its image
// libraries it costs more than the whole rest of a core's start-up, a third of the command
// line's, and most runs never need it. These definitions stand in for the library's exports
// and forward to it.
#include <FreeImage.h>
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kLibrary = "libfreeimage.so.3";

void* Library() {
    static void* const handle = [] {
        void* loaded = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (loaded == nullptr) {
            // Without the library no picture can be handled, and FreeImage has no way to say
            // so. A core that ends makes the program fail its task rather than wait for it.
            std::fprintf(stderr, "%s: cannot load %s: %s\n", program_invocation_short_name,
                         kLibrary, ::dlerror());
            std::_Exit(4);
        }
        return loaded;
    }();
    return handle;
}

template <typename Function>
Function Resolve(const char* name) {
    void* symbol = ::dlsym(Library(), name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "%s: %s has no %s\n", program_invocation_short_name, kLibrary, name);
        std::_Exit(4);
    }
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

extern "C" {

BOOL FreeImage_AcquireMemory(FIMEMORY* stream, BYTE** data, DWORD* size_in_bytes) {
    static const auto real =
        Resolve<decltype(&::FreeImage_AcquireMemory)>("FreeImage_AcquireMemory");
    return real(stream, data, size_in_bytes);
}

FIBITMAP* FreeImage_Allocate(int width, int height, int bpp, unsigned red_mask, unsigned green_mask,
                             unsigned blue_mask) {
    static const auto real = Resolve<decltype(&::FreeImage_Allocate)>("FreeImage_Allocate");
    return real(width, height, bpp, red_mask, green_mask, blue_mask);
}

FIBITMAP* FreeImage_Clone(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_Clone)>("FreeImage_Clone");
    return real(dib);
}

FITAG* FreeImage_CloneTag(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_CloneTag)>("FreeImage_CloneTag");
    return real(tag);
}

void FreeImage_CloseMemory(FIMEMORY* stream) {
    static const auto real = Resolve<decltype(&::FreeImage_CloseMemory)>("FreeImage_CloseMemory");
    real(stream);
}

BOOL FreeImage_CloseMultiBitmap(FIMULTIBITMAP* bitmap, int flags) {
    static const auto real =
        Resolve<decltype(&::FreeImage_CloseMultiBitmap)>("FreeImage_CloseMultiBitmap");
    return real(bitmap, flags);
}

FIBITMAP* FreeImage_ColorQuantize(FIBITMAP* dib, FREE_IMAGE_QUANTIZE quantize) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ColorQuantize)>("FreeImage_ColorQuantize");
    return real(dib, quantize);
}

FIBITMAP* FreeImage_ColorQuantizeEx(FIBITMAP* dib, FREE_IMAGE_QUANTIZE quantize, int PaletteSize,
                                    int ReserveSize, RGBQUAD* ReservePalette) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ColorQuantizeEx)>("FreeImage_ColorQuantizeEx");
    return real(dib, quantize, PaletteSize, ReserveSize, ReservePalette);
}

FIBITMAP* FreeImage_Composite(FIBITMAP* fg, BOOL useFileBkg, RGBQUAD* appBkColor, FIBITMAP* bg) {
    static const auto real = Resolve<decltype(&::FreeImage_Composite)>("FreeImage_Composite");
    return real(fg, useFileBkg, appBkColor, bg);
}

FIBITMAP* FreeImage_ConvertTo24Bits(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ConvertTo24Bits)>("FreeImage_ConvertTo24Bits");
    return real(dib);
}

FIBITMAP* FreeImage_ConvertTo32Bits(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ConvertTo32Bits)>("FreeImage_ConvertTo32Bits");
    return real(dib);
}

FIBITMAP* FreeImage_ConvertTo8Bits(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ConvertTo8Bits)>("FreeImage_ConvertTo8Bits");
    return real(dib);
}

FIBITMAP* FreeImage_ConvertToGreyscale(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ConvertToGreyscale)>("FreeImage_ConvertToGreyscale");
    return real(dib);
}

FIBITMAP* FreeImage_ConvertToStandardType(FIBITMAP* src, BOOL scale_linear) {
    static const auto real =
        Resolve<decltype(&::FreeImage_ConvertToStandardType)>("FreeImage_ConvertToStandardType");
    return real(src, scale_linear);
}

FITAG* FreeImage_CreateTag() {
    static const auto real = Resolve<decltype(&::FreeImage_CreateTag)>("FreeImage_CreateTag");
    return real();
}

void FreeImage_DeleteTag(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_DeleteTag)>("FreeImage_DeleteTag");
    real(tag);
}

BOOL FreeImage_FIFSupportsExportBPP(FREE_IMAGE_FORMAT fif, int bpp) {
    static const auto real =
        Resolve<decltype(&::FreeImage_FIFSupportsExportBPP)>("FreeImage_FIFSupportsExportBPP");
    return real(fif, bpp);
}

BOOL FreeImage_FIFSupportsNoPixels(FREE_IMAGE_FORMAT fif) {
    static const auto real =
        Resolve<decltype(&::FreeImage_FIFSupportsNoPixels)>("FreeImage_FIFSupportsNoPixels");
    return real(fif);
}

BOOL FreeImage_FIFSupportsReading(FREE_IMAGE_FORMAT fif) {
    static const auto real =
        Resolve<decltype(&::FreeImage_FIFSupportsReading)>("FreeImage_FIFSupportsReading");
    return real(fif);
}

BOOL FreeImage_FIFSupportsWriting(FREE_IMAGE_FORMAT fif) {
    static const auto real =
        Resolve<decltype(&::FreeImage_FIFSupportsWriting)>("FreeImage_FIFSupportsWriting");
    return real(fif);
}

unsigned FreeImage_GetBPP(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetBPP)>("FreeImage_GetBPP");
    return real(dib);
}

BYTE* FreeImage_GetBits(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetBits)>("FreeImage_GetBits");
    return real(dib);
}

FREE_IMAGE_COLOR_TYPE FreeImage_GetColorType(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetColorType)>("FreeImage_GetColorType");
    return real(dib);
}

unsigned FreeImage_GetDotsPerMeterX(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetDotsPerMeterX)>("FreeImage_GetDotsPerMeterX");
    return real(dib);
}

unsigned FreeImage_GetDotsPerMeterY(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetDotsPerMeterY)>("FreeImage_GetDotsPerMeterY");
    return real(dib);
}

FREE_IMAGE_FORMAT FreeImage_GetFIFFromFilename(const char* filename) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetFIFFromFilename)>("FreeImage_GetFIFFromFilename");
    return real(filename);
}

FREE_IMAGE_FORMAT FreeImage_GetFileType(const char* filename, int size) {
    static const auto real = Resolve<decltype(&::FreeImage_GetFileType)>("FreeImage_GetFileType");
    return real(filename, size);
}

FREE_IMAGE_FORMAT FreeImage_GetFileTypeFromMemory(FIMEMORY* stream, int size) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetFileTypeFromMemory)>("FreeImage_GetFileTypeFromMemory");
    return real(stream, size);
}

unsigned FreeImage_GetHeight(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetHeight)>("FreeImage_GetHeight");
    return real(dib);
}

FREE_IMAGE_TYPE FreeImage_GetImageType(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetImageType)>("FreeImage_GetImageType");
    return real(dib);
}

BOOL FreeImage_GetMetadata(FREE_IMAGE_MDMODEL model, FIBITMAP* dib, const char* key, FITAG** tag) {
    static const auto real = Resolve<decltype(&::FreeImage_GetMetadata)>("FreeImage_GetMetadata");
    return real(model, dib, key, tag);
}

int FreeImage_GetPageCount(FIMULTIBITMAP* bitmap) {
    static const auto real = Resolve<decltype(&::FreeImage_GetPageCount)>("FreeImage_GetPageCount");
    return real(bitmap);
}

RGBQUAD* FreeImage_GetPalette(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetPalette)>("FreeImage_GetPalette");
    return real(dib);
}

unsigned FreeImage_GetPitch(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetPitch)>("FreeImage_GetPitch");
    return real(dib);
}

BOOL FreeImage_GetPixelColor(FIBITMAP* dib, unsigned x, unsigned y, RGBQUAD* value) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetPixelColor)>("FreeImage_GetPixelColor");
    return real(dib, x, y, value);
}

BOOL FreeImage_GetPixelIndex(FIBITMAP* dib, unsigned x, unsigned y, BYTE* value) {
    static const auto real =
        Resolve<decltype(&::FreeImage_GetPixelIndex)>("FreeImage_GetPixelIndex");
    return real(dib, x, y, value);
}

BYTE* FreeImage_GetScanLine(FIBITMAP* dib, int scanline) {
    static const auto real = Resolve<decltype(&::FreeImage_GetScanLine)>("FreeImage_GetScanLine");
    return real(dib, scanline);
}

DWORD FreeImage_GetTagCount(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_GetTagCount)>("FreeImage_GetTagCount");
    return real(tag);
}

DWORD FreeImage_GetTagLength(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_GetTagLength)>("FreeImage_GetTagLength");
    return real(tag);
}

FREE_IMAGE_MDTYPE FreeImage_GetTagType(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_GetTagType)>("FreeImage_GetTagType");
    return real(tag);
}

const void* FreeImage_GetTagValue(FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_GetTagValue)>("FreeImage_GetTagValue");
    return real(tag);
}

unsigned FreeImage_GetWidth(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_GetWidth)>("FreeImage_GetWidth");
    return real(dib);
}

BOOL FreeImage_HasPixels(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_HasPixels)>("FreeImage_HasPixels");
    return real(dib);
}

BOOL FreeImage_IsTransparent(FIBITMAP* dib) {
    static const auto real =
        Resolve<decltype(&::FreeImage_IsTransparent)>("FreeImage_IsTransparent");
    return real(dib);
}

FIBITMAP* FreeImage_Load(FREE_IMAGE_FORMAT fif, const char* filename, int flags) {
    static const auto real = Resolve<decltype(&::FreeImage_Load)>("FreeImage_Load");
    return real(fif, filename, flags);
}

FIBITMAP* FreeImage_LoadFromMemory(FREE_IMAGE_FORMAT fif, FIMEMORY* stream, int flags) {
    static const auto real =
        Resolve<decltype(&::FreeImage_LoadFromMemory)>("FreeImage_LoadFromMemory");
    return real(fif, stream, flags);
}

FIMULTIBITMAP* FreeImage_LoadMultiBitmapFromMemory(FREE_IMAGE_FORMAT fif, FIMEMORY* stream,
                                                   int flags) {
    static const auto real = Resolve<decltype(&::FreeImage_LoadMultiBitmapFromMemory)>(
        "FreeImage_LoadMultiBitmapFromMemory");
    return real(fif, stream, flags);
}

FIBITMAP* FreeImage_LockPage(FIMULTIBITMAP* bitmap, int page) {
    static const auto real = Resolve<decltype(&::FreeImage_LockPage)>("FreeImage_LockPage");
    return real(bitmap, page);
}

FIMEMORY* FreeImage_OpenMemory(BYTE* data, DWORD size_in_bytes) {
    static const auto real = Resolve<decltype(&::FreeImage_OpenMemory)>("FreeImage_OpenMemory");
    return real(data, size_in_bytes);
}

BOOL FreeImage_Paste(FIBITMAP* dst, FIBITMAP* src, int left, int top, int alpha) {
    static const auto real = Resolve<decltype(&::FreeImage_Paste)>("FreeImage_Paste");
    return real(dst, src, left, top, alpha);
}

FIBITMAP* FreeImage_Rescale(FIBITMAP* dib, int dst_width, int dst_height,
                            FREE_IMAGE_FILTER filter) {
    static const auto real = Resolve<decltype(&::FreeImage_Rescale)>("FreeImage_Rescale");
    return real(dib, dst_width, dst_height, filter);
}

BOOL FreeImage_Save(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const char* filename, int flags) {
    static const auto real = Resolve<decltype(&::FreeImage_Save)>("FreeImage_Save");
    return real(fif, dib, filename, flags);
}

BOOL FreeImage_SaveToMemory(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, FIMEMORY* stream, int flags) {
    static const auto real = Resolve<decltype(&::FreeImage_SaveToMemory)>("FreeImage_SaveToMemory");
    return real(fif, dib, stream, flags);
}

BOOL FreeImage_SeekMemory(FIMEMORY* stream, long offset, int origin) {
    static const auto real = Resolve<decltype(&::FreeImage_SeekMemory)>("FreeImage_SeekMemory");
    return real(stream, offset, origin);
}

void FreeImage_SetDotsPerMeterX(FIBITMAP* dib, unsigned res) {
    static const auto real =
        Resolve<decltype(&::FreeImage_SetDotsPerMeterX)>("FreeImage_SetDotsPerMeterX");
    real(dib, res);
}

void FreeImage_SetDotsPerMeterY(FIBITMAP* dib, unsigned res) {
    static const auto real =
        Resolve<decltype(&::FreeImage_SetDotsPerMeterY)>("FreeImage_SetDotsPerMeterY");
    real(dib, res);
}

BOOL FreeImage_SetMetadata(FREE_IMAGE_MDMODEL model, FIBITMAP* dib, const char* key, FITAG* tag) {
    static const auto real = Resolve<decltype(&::FreeImage_SetMetadata)>("FreeImage_SetMetadata");
    return real(model, dib, key, tag);
}

BOOL FreeImage_SetTagCount(FITAG* tag, DWORD count) {
    static const auto real = Resolve<decltype(&::FreeImage_SetTagCount)>("FreeImage_SetTagCount");
    return real(tag, count);
}

BOOL FreeImage_SetTagKey(FITAG* tag, const char* key) {
    static const auto real = Resolve<decltype(&::FreeImage_SetTagKey)>("FreeImage_SetTagKey");
    return real(tag, key);
}

BOOL FreeImage_SetTagLength(FITAG* tag, DWORD length) {
    static const auto real = Resolve<decltype(&::FreeImage_SetTagLength)>("FreeImage_SetTagLength");
    return real(tag, length);
}

BOOL FreeImage_SetTagType(FITAG* tag, FREE_IMAGE_MDTYPE type) {
    static const auto real = Resolve<decltype(&::FreeImage_SetTagType)>("FreeImage_SetTagType");
    return real(tag, type);
}

BOOL FreeImage_SetTagValue(FITAG* tag, const void* value) {
    static const auto real = Resolve<decltype(&::FreeImage_SetTagValue)>("FreeImage_SetTagValue");
    return real(tag, value);
}

void FreeImage_SetTransparencyTable(FIBITMAP* dib, BYTE* table, int count) {
    static const auto real =
        Resolve<decltype(&::FreeImage_SetTransparencyTable)>("FreeImage_SetTransparencyTable");
    real(dib, table, count);
}

FIBITMAP* FreeImage_ToneMapping(FIBITMAP* dib, FREE_IMAGE_TMO tmo, double first_param,
                                double second_param) {
    static const auto real = Resolve<decltype(&::FreeImage_ToneMapping)>("FreeImage_ToneMapping");
    return real(dib, tmo, first_param, second_param);
}

void FreeImage_Unload(FIBITMAP* dib) {
    static const auto real = Resolve<decltype(&::FreeImage_Unload)>("FreeImage_Unload");
    real(dib);
}

void FreeImage_UnlockPage(FIMULTIBITMAP* bitmap, FIBITMAP* data, BOOL changed) {
    static const auto real = Resolve<decltype(&::FreeImage_UnlockPage)>("FreeImage_UnlockPage");
    real(bitmap, data, changed);
}

}  // extern "C"
