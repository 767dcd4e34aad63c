#include "export/jpeg_codec.h"

#include "export/jpeg_error_manager.h"
#include "model/error.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// After jpeglib.h, which it needs.
#include <jerror.h>

namespace pellisor {

namespace {

using ErrorManager = JpegErrorManager;

void onError(j_common_ptr info) {
    jumpOnJpegError(info);
}

// Damaged data is only a warning to the library, which then makes up the rest of the picture; a
// picture that cannot be read whole is refused like any other broken file. Other warnings pass.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    switch (info->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
            onError(info);
            break;
        default:
            break;
    }
}

// Pictures larger than this are refused before any memory is taken for them.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

}  // namespace

std::string encodeJpeg(const RgbImage& image, int quality) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() < std::size_t(image.width) * std::size_t(image.height) * 3) {
        throw Error("Obrázek nelze uložit jako JPEG: prázdný obrázek");
    }
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
        throw Error("Obrázek nelze uložit jako JPEG: obrázek je příliš velký (" +
                    std::to_string(image.width) + "x" + std::to_string(image.height) + ")");
    }
    jpeg_compress_struct info{};
    ErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw Error(std::string("Obrázek nelze uložit jako JPEG: ") + errors.message);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = std::size_t(image.width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

RgbImage decodeJpeg(std::string_view bytes) {
    if (bytes.empty()) throw Error("Obrázek JPEG nelze načíst: prázdný soubor");
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    RgbImage image;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        throw Error(std::string("Obrázek JPEG nelze načíst: ") + errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (std::uint64_t(info.image_width) * info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        throw Error("Obrázek JPEG nelze načíst: obrázek je příliš velký");
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<std::int32_t>(info.output_width);
    image.height = static_cast<std::int32_t>(info.output_height);
    const std::size_t stride = std::size_t(info.output_width) * 3;
    // Grown row by row: a header that promises a large picture the data does not hold fails on its
    // first missing row, before the memory for the whole was taken.
    while (info.output_scanline < info.output_height) {
        const std::size_t at = std::size_t(info.output_scanline) * stride;
        image.pixels.resize(at + stride);
        JSAMPROW row = image.pixels.data() + at;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

}  // namespace pellisor
