#include "convcore/JpegScaledDecode.h"

// jpeglib.h needs FILE declared first.
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>

namespace convcore {
namespace {

// error_exit jumps back into DecodeJpegScaled; nothing between the setjmp and the codec calls
// owns resources except the codec itself, which the caller destroys.
struct DecoderErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
};

void JumpOnError(j_common_ptr codec) {
    std::longjmp(reinterpret_cast<DecoderErrors*>(codec->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// The numerator n of the n/8 scale: the largest that keeps the long side within the limit.
unsigned ScaleNumerator(unsigned long_side, int max_long_side) {
    if (max_long_side <= 0)
        return 8;
    for (unsigned numerator = 8; numerator > 1; --numerator) {
        if ((long_side * numerator + 7) / 8 <= static_cast<unsigned>(max_long_side))
            return numerator;
    }
    return 1;
}

bool Decode(jpeg_decompress_struct* codec, DecoderErrors* errors,
            std::span<const unsigned char> data, int components, int max_long_side,
            DecodedPicture* picture) {
    if (setjmp(errors->jump) != 0)
        return false;
    jpeg_mem_src(codec, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(codec, TRUE) != JPEG_HEADER_OK || codec->num_components != components)
        return false;
    codec->out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    codec->scale_num =
        ScaleNumerator(std::max(codec->image_width, codec->image_height), max_long_side);
    codec->scale_denom = 8;
    jpeg_start_decompress(codec);
    picture->width = static_cast<int>(codec->output_width);
    picture->height = static_cast<int>(codec->output_height);
    const std::size_t row = static_cast<std::size_t>(picture->width) * components;
    picture->samples.assign(row * static_cast<std::size_t>(picture->height), 0);
    while (codec->output_scanline < codec->output_height) {
        JSAMPROW line = picture->samples.data() + row * codec->output_scanline;
        if (jpeg_read_scanlines(codec, &line, 1) != 1)
            return false;
    }
    jpeg_finish_decompress(codec);
    return true;
}

}  // namespace

bool DecodeJpegScaled(std::span<const unsigned char> data, int components, int max_long_side,
                      DecodedPicture* picture) {
    jpeg_decompress_struct codec{};
    DecoderErrors errors;
    codec.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpOnError;
    errors.manager.output_message = IgnoreMessage;
    jpeg_create_decompress(&codec);
    const bool decoded = Decode(&codec, &errors, data, components, max_long_side, picture);
    jpeg_destroy_decompress(&codec);
    return decoded;
}

}  // namespace convcore
