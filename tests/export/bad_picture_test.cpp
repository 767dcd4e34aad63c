// Pictures that are cut short, damaged or claim more than they hold: each is refused with a reason
// before a decoder makes up the missing part or takes the memory the header asks for.

#include "export/bitmap_check.h"
#include "export/jpeg_codec.h"
#include "model/error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace pellisor {
namespace {

// A BMP of the given header values and `data` bytes of pixels after a 54-byte header.
std::string bitmap(std::int32_t width, std::int32_t height, std::uint16_t bits, std::size_t data,
                   std::uint32_t compression = 0, std::uint32_t infoSize = 40) {
    std::string bytes = "BM";
    const auto put = [&](std::uint32_t value, int size) {
        for (int k = 0; k < size; ++k)
            bytes += char((value >> (8 * k)) & 0xFF);
    };
    put(std::uint32_t(14 + infoSize + data), 4);
    put(0, 4);
    put(14 + infoSize, 4);
    put(infoSize, 4);
    put(std::uint32_t(width), 4);
    put(std::uint32_t(height), 4);
    put(1, 2);
    put(bits, 2);
    put(compression, 4);
    while (bytes.size() < 14 + infoSize)
        bytes += '\0';
    return bytes + std::string(data, '\x40');
}

TEST(BitmapCheck, TruncatedFilesAreFoundFromTheirHeaders) {
    // 5 pixels of 24 bits make rows of 15 bytes padded to 16.
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(5, 3, 24, 48)));
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(5, -3, 24, 48)));
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(5, 3, 24, 47)));  // the last row's padding may be missing
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(5, 3, 24, 46)));
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(5, 3, 24, 48).substr(0, 40)));
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(33, 2, 1, 13)));  // 1 bit: 33 pixels in 5 bytes, padded to 8
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(33, 2, 1, 12)));
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(4, 4, 32, 64, 3, 108)));  // bit fields, a V4 header
    // Compressed rows have no length to check; the decoder judges them.
    EXPECT_EQ(std::nullopt, bitmapProblem(bitmap(100, 100, 8, 10, 1)));
}

TEST(BitmapCheck, EmptyAndEnormousPicturesAreRefusedFromTheirHeaders) {
    EXPECT_EQ("obrázek nemá žádný pixel", bitmapProblem(bitmap(0, 0, 24, 0)));
    EXPECT_EQ("obrázek nemá žádný pixel", bitmapProblem(bitmap(7, 0, 24, 0)));
    EXPECT_EQ("obrázek 100000x100000 je příliš velký", bitmapProblem(bitmap(100000, 100000, 24, 0)));
    EXPECT_EQ("obrázek 2147483647x2147483648 je příliš velký",
              bitmapProblem(bitmap(0x7FFFFFFF, std::int32_t(0x80000000u), 24, 0)));
    // The largest picture read, and one row more.
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(8192, 4096, 24, 0)));
    EXPECT_EQ("obrázek 8192x4097 je příliš velký", bitmapProblem(bitmap(8192, 4097, 24, 0)));
}

TEST(BitmapCheck, WhatIsNoBitmapIsLeftToTheDecoder) {
    for (const std::string& bytes :
         {std::string(), std::string("BM"), std::string("GIF89a and more bytes here"),
          bitmap(5, 3, 24, 48, 0, 8), bitmap(-5, 3, 24, 48)}) {
        EXPECT_EQ(std::nullopt, bitmapProblem(bytes));
    }
}

RgbImage stripes(std::int32_t width, std::int32_t height) {
    RgbImage image{width, height, {}};
    image.pixels.resize(image.stride() * std::size_t(height));
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(i * 37 % 251);
    return image;
}

std::string withSize(std::string jpeg, std::uint16_t width, std::uint16_t height) {
    const std::size_t frame = jpeg.find("\xFF\xC0");
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

std::string decodeError(const std::string& bytes) {
    try {
        decodeJpeg(bytes);
    } catch (const Error& error) {
        return error.what();
    }
    return "(decoded)";
}

TEST(JpegDecoding, APictureCutShortIsRefusedNotFilledIn) {
    const std::string jpeg = encodeJpeg(stripes(300, 200));
    EXPECT_EQ("(decoded)", decodeError(jpeg));
    EXPECT_EQ("Obrázek JPEG nelze načíst: Premature end of JPEG file",
              decodeError(jpeg.substr(0, jpeg.size() / 2)));
    EXPECT_EQ("Obrázek JPEG nelze načíst: Premature end of JPEG file",
              decodeError(jpeg.substr(0, jpeg.size() - 2)));
    // Data that ends before the picture does: the end marker comes too soon.
    std::string early = jpeg.substr(0, jpeg.size() / 2) + "\xFF\xD9";
    EXPECT_EQ("Obrázek JPEG nelze načíst: Corrupt JPEG data: premature end of data segment",
              decodeError(early));
}

// The peak resident size of this process, in bytes; nothing where the system does not say.
std::optional<std::size_t> peak() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
    }
    return std::nullopt;
}

// Starts the peak afresh from the present size.
std::optional<std::size_t> resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return peak();
}

TEST(JpegDecoding, AHeaderPromisingMoreThanTheDataHoldsTakesNoMemoryForIt) {
    const std::string jpeg = encodeJpeg(stripes(64, 64));
    EXPECT_EQ("Obrázek JPEG nelze načíst: obrázek je příliš velký",
              decodeError(withSize(jpeg, 65000, 65000)));

    // 16000 x 16000 is within the limit and would take 768 MB; its data ends in the first row.
    const auto before = resetPeak();
    EXPECT_EQ("Obrázek JPEG nelze načíst: Corrupt JPEG data: premature end of data segment",
              decodeError(withSize(jpeg, 16000, 16000)));
    const auto after = peak();
    if (before && after) {
        EXPECT_LT(*after, *before + (std::size_t{64} << 20))
            << "peak grew by " << (*after - *before) << " bytes";
    }
}

}  // namespace
}  // namespace pellisor
