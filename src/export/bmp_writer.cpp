#include "export/bmp_writer.h"

#include "model/error.h"
#include "model/file_io.h"

#include <algorithm>

namespace pellisor {

namespace {

void putLittleEndian(std::string& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
}

constexpr std::uint64_t kMaxFileSize = 0xffffffffu;

// Pixels are handed to the file in pieces of about this many bytes.
constexpr std::size_t kPieceBytes = std::size_t{1} << 18;

}  // namespace

std::uint64_t bmpRowSize(std::int32_t width) {
    return (std::uint64_t(std::max(width, 0)) * 3 + 3) / 4 * 4;
}

bool fitsBmpFile(std::int32_t width, std::int64_t height) {
    if (width < 0 || height < 0) return false;
    const std::uint64_t rowSize = bmpRowSize(width);
    return rowSize == 0 || std::uint64_t(height) <= (kMaxFileSize - kBmpHeaderSize) / rowSize;
}

void requireBmpFile(std::int32_t width, std::int32_t height) {
    if (!fitsBmpFile(width, height)) {
        throw Error("Obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                    " je příliš velký pro BMP (soubor by měl přes 4 GB)");
    }
}

std::string bmpHeader(std::int32_t width, std::int32_t height) {
    const std::uint64_t pixelBytes = bmpRowSize(width) * std::uint64_t(std::max(height, 0));
    // 96 dots per inch, as the platform writes it.
    constexpr std::uint64_t kDotsPerMeter = 3780;
    std::string header = "BM";
    putLittleEndian(header, kBmpHeaderSize + pixelBytes, 4);
    putLittleEndian(header, 0, 4);
    putLittleEndian(header, kBmpHeaderSize, 4);
    putLittleEndian(header, 40, 4);
    putLittleEndian(header, std::uint64_t(width), 4);
    putLittleEndian(header, std::uint64_t(height), 4);
    putLittleEndian(header, 1, 2);   // planes
    putLittleEndian(header, 24, 2);  // bits per pixel
    putLittleEndian(header, 0, 4);   // no compression
    putLittleEndian(header, pixelBytes, 4);
    putLittleEndian(header, kDotsPerMeter, 4);
    putLittleEndian(header, kDotsPerMeter, 4);
    putLittleEndian(header, 0, 4);  // colours used
    putLittleEndian(header, 0, 4);  // important colours
    return header;
}

void writeBmpFile(const std::string& path, const RgbImage& image) {
    if (image.width < 0 || image.height < 0 ||
        image.pixels.size() < image.stride() * std::size_t(image.height)) {
        throw Error("Obrázek nelze uložit jako BMP: " + path);
    }
    requireBmpFile(image.width, image.height);
    const std::size_t padding = std::size_t(bmpRowSize(image.width)) - image.stride();
    writeFileAtomically(path, [&](const ByteSink& sink) {
        std::string piece = bmpHeader(image.width, image.height);
        piece.reserve(kPieceBytes + 3);
        const auto flush = [&] {
            sink(piece);
            piece.clear();
        };
        for (std::int32_t y = image.height - 1; y >= 0; --y) {
            const std::uint8_t* rgb = image.row(y);
            const std::uint8_t* end = rgb + image.stride();
            while (rgb != end) {
                if (piece.size() >= kPieceBytes) flush();
                const std::size_t room = std::max<std::size_t>((kPieceBytes - piece.size()) / 3, 1);
                const std::size_t count = std::min(room, std::size_t(end - rgb) / 3);
                const std::size_t at = piece.size();
                piece.resize(at + count * 3);
                char* out = piece.data() + at;
                for (std::size_t x = 0; x < count; ++x, rgb += 3, out += 3) {
                    out[0] = static_cast<char>(rgb[2]);
                    out[1] = static_cast<char>(rgb[1]);
                    out[2] = static_cast<char>(rgb[0]);
                }
            }
            piece.append(padding, '\0');
        }
        flush();
    });
}

}  // namespace pellisor
