#include "export/jpeg_writer.h"

#include "export/jpeg_error_manager.h"
#include "model/error.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>

namespace pellisor {

namespace {

using ErrorManager = JpegErrorManager;

void onError(j_common_ptr info) {
    jumpOnJpegError(info);
}

void onMessage(j_common_ptr, int) {}  // warnings are not shown

constexpr std::size_t kChunk = 1 << 16;

}  // namespace

// The destination collects the encoded bytes in `produced`, which the caller takes after each call.
struct JpegWriter::State {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    jpeg_destination_mgr destination{};
    unsigned char chunk[kChunk];
    std::string produced;
    bool finished = false;

    static State& of(j_compress_ptr info) { return *static_cast<State*>(info->client_data); }
    static void start(j_compress_ptr info) {
        State& state = of(info);
        state.destination.next_output_byte = state.chunk;
        state.destination.free_in_buffer = kChunk;
    }
    static boolean empty(j_compress_ptr info) {
        State& state = of(info);
        state.produced.append(reinterpret_cast<const char*>(state.chunk), kChunk);
        start(info);
        return TRUE;
    }
    static void term(j_compress_ptr info) {
        State& state = of(info);
        state.produced.append(reinterpret_cast<const char*>(state.chunk),
                              kChunk - state.destination.free_in_buffer);
    }

    std::string take() {
        std::string bytes;
        bytes.swap(produced);
        return bytes;
    }
    [[noreturn]] void fail() {
        throw Error(std::string("Obrázek nelze uložit jako JPEG: ") + errors.message);
    }
};

std::int32_t JpegWriter::maxSide() {
    return JPEG_MAX_DIMENSION;
}

JpegWriter::JpegWriter(std::int32_t width, std::int32_t height, int quality)
    : state_(std::make_unique<State>()) {
    if (width <= 0 || height <= 0) throw Error("Obrázek nelze uložit jako JPEG: prázdný obrázek");
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        throw Error("Obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                    " je příliš velký pro JPEG (nejvýše " + std::to_string(JPEG_MAX_DIMENSION) +
                    " bodů na stranu)");
    }
    State& state = *state_;
    jpeg_compress_struct& info = state.info;
    info.err = jpeg_std_error(&state.errors.base);
    state.errors.base.error_exit = onError;
    state.errors.base.emit_message = onMessage;
    info.client_data = &state;
    if (setjmp(state.errors.jump)) {
        jpeg_destroy_compress(&info);
        state.finished = true;
        state.fail();
    }
    jpeg_create_compress(&info);
    state.destination.init_destination = State::start;
    state.destination.empty_output_buffer = State::empty;
    state.destination.term_destination = State::term;
    info.dest = &state.destination;
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
}

JpegWriter::~JpegWriter() {
    if (!state_->finished) jpeg_destroy_compress(&state_->info);
}

std::string JpegWriter::writeRows(const std::uint8_t* rgb, std::int32_t rowCount, std::size_t stride) {
    State& state = *state_;
    if (state.finished) throw Error("Obrázek nelze uložit jako JPEG: soubor je již uzavřen");
    if (setjmp(state.errors.jump)) {
        jpeg_destroy_compress(&state.info);
        state.finished = true;
        state.fail();
    }
    for (std::int32_t row = 0; row < rowCount && state.info.next_scanline < state.info.image_height; ++row) {
        JSAMPROW line = const_cast<JSAMPROW>(rgb + std::size_t(row) * stride);
        jpeg_write_scanlines(&state.info, &line, 1);
    }
    return state.take();
}

std::string JpegWriter::finish() {
    State& state = *state_;
    if (state.finished) throw Error("Obrázek nelze uložit jako JPEG: soubor je již uzavřen");
    if (setjmp(state.errors.jump)) {
        jpeg_destroy_compress(&state.info);
        state.finished = true;
        state.fail();
    }
    jpeg_finish_compress(&state.info);
    jpeg_destroy_compress(&state.info);
    state.finished = true;
    return state.take();
}

}  // namespace pellisor
