#include "export/bitmap_check.h"

namespace pellisor {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2 1.x: 16-bit width and height

std::uint32_t read16(std::string_view bytes, std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8;
}

std::uint32_t read32(std::string_view bytes, std::size_t at) {
    return read16(bytes, at) | read16(bytes, at + 2) << 16;
}

}  // namespace

std::optional<std::string> bitmapProblem(std::string_view bytes) {
    if (bytes.size() < kFileHeaderSize + 4 || bytes.substr(0, 2) != "BM") return std::nullopt;
    const std::uint32_t infoSize = read32(bytes, kFileHeaderSize);
    if (infoSize < kCoreHeaderSize) return std::nullopt;
    if (bytes.size() < kFileHeaderSize + infoSize) return "soubor je zkrácený";

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    if (infoSize == kCoreHeaderSize) {
        width = read16(bytes, 18);
        height = read16(bytes, 20);
        bitsPerPixel = read16(bytes, 24);
    } else {
        if (infoSize < 16) return std::nullopt;
        width = std::int32_t(read32(bytes, 18));
        height = std::int32_t(read32(bytes, 22));
        bitsPerPixel = read16(bytes, 28);
        if (infoSize >= 20) compression = read32(bytes, 30);
    }
    // A negative height is a picture stored top row first.
    if (height < 0) height = -height;
    if (width < 0) return std::nullopt;
    if (width == 0 || height == 0) return "obrázek nemá žádný pixel";
    if (width * height > kMaxBitmapPixels) {
        return "obrázek " + std::to_string(width) + "x" + std::to_string(height) + " je příliš velký";
    }

    // Uncompressed rows have a known length, padded to 4 bytes (some writers leave out the padding of
    // the last row); compressed data has none to check.
    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitFields = 3;
    constexpr std::uint32_t kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        return std::nullopt;
    if (bitsPerPixel == 0 || bitsPerPixel > 32) return std::nullopt;
    const std::int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    const std::int64_t lastRow = (width * bitsPerPixel + 7) / 8;
    const std::int64_t pixelsAt = read32(bytes, 10);
    if (std::int64_t(bytes.size()) < pixelsAt + stride * (height - 1) + lastRow) return "soubor je zkrácený";
    return std::nullopt;
}

}  // namespace pellisor
