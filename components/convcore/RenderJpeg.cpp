#include "convcore/RenderJpeg.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

namespace convcore {

// The codec reports errors through error_exit, which jumps back to the call that started the
// failing step; nothing between the setjmp and the codec call owns resources.
struct JpegEncoder::State {
    jpeg_compress_struct codec{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    unsigned char* memory = nullptr;  // libjpeg's malloc'd buffer for an in-memory image
    unsigned long memory_size = 0;
    bool started = false;
};

namespace {

constexpr int kRowsPerCall = 16;

void JumpOnError(j_common_ptr codec) {
    auto* state = static_cast<JpegEncoder::State*>(codec->client_data);
    (*codec->err->format_message)(codec, state->message);
    std::longjmp(state->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

}  // namespace

JpegEncoder::JpegEncoder() : state_(std::make_unique<State>()) {
    state_->codec.err = jpeg_std_error(&state_->errors);
    state_->errors.error_exit = JumpOnError;
    state_->errors.output_message = IgnoreMessage;
    state_->codec.client_data = state_.get();
    jpeg_create_compress(&state_->codec);
}

JpegEncoder::~JpegEncoder() {
    jpeg_destroy_compress(&state_->codec);
    std::free(state_->memory);
}

bool JpegEncoder::Start(std::FILE* file, int width, int height, int dpi, int quality,
                        std::string* error, int components) {
    State* state = state_.get();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        *error = "a JPEG image cannot be that large";
        return false;
    }
    if (setjmp(state->jump) != 0) {
        *error = std::string("JPEG: ") + state->message;
        return false;
    }
    jpeg_compress_struct* codec = &state->codec;
    if (file != nullptr)
        jpeg_stdio_dest(codec, file);
    else
        jpeg_mem_dest(codec, &state->memory, &state->memory_size);
    codec->image_width = static_cast<JDIMENSION>(width);
    codec->image_height = static_cast<JDIMENSION>(height);
    codec->input_components = components == 1 ? 1 : 3;
    codec->in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(codec);
    jpeg_set_quality(codec, quality, TRUE);
    codec->density_unit = 1;  // dots per inch
    codec->X_density = codec->Y_density = static_cast<UINT16>(dpi);
    jpeg_start_compress(codec, TRUE);
    state->started = true;
    return true;
}

bool JpegEncoder::WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count,
                            std::string* error) {
    State* state = state_.get();
    if (setjmp(state->jump) != 0) {
        *error = std::string("JPEG: ") + state->message;
        return false;
    }
    JSAMPROW pointers[kRowsPerCall];
    for (int done = 0; done < count;) {
        int batch = 0;
        for (; batch < kRowsPerCall && done + batch < count; ++batch)
            pointers[batch] = const_cast<JSAMPROW>(rows + (done + batch) * stride);
        const JDIMENSION written =
            jpeg_write_scanlines(&state->codec, pointers, static_cast<JDIMENSION>(batch));
        if (written == 0) {
            *error = "JPEG: the encoder took no rows";
            return false;
        }
        done += static_cast<int>(written);
    }
    return true;
}

bool JpegEncoder::Finish(std::string* error) {
    State* state = state_.get();
    if (!state->started) {
        *error = "JPEG: nothing was started";
        return false;
    }
    if (setjmp(state->jump) != 0) {
        *error = std::string("JPEG: ") + state->message;
        return false;
    }
    jpeg_finish_compress(&state->codec);
    state->started = false;
    return true;
}

std::span<const unsigned char> JpegEncoder::Bytes() const {
    return {state_->memory, static_cast<std::size_t>(state_->memory_size)};
}

}  // namespace convcore
