// Pictures that are cut short, damaged or claim more than they hold: each is refused with a reason
// before a decoder makes up the missing part or takes the memory the header asks for.

#include "export/bmp_reader.h"
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

// Why the reader refuses these bytes: the reason it gives in brackets; nothing when it reads them, or
// refuses them as no BMP at all (without a reason).
std::optional<std::string> bitmapProblem(const std::string& bytes) {
    try {
        decodeBmp(bytes, "x.bmp");
    } catch (const Error& error) {
        const std::string message = error.what();
        const std::string bare = "Obrázek nelze načíst: x.bmp";
        EXPECT_EQ(0u, message.rfind(bare, 0)) << message;
        if (message == bare) return std::nullopt;
        EXPECT_EQ(bare + " (", message.substr(0, bare.size() + 2));
        EXPECT_EQ(')', message.back());
        return message.substr(bare.size() + 2, message.size() - bare.size() - 3);
    }
    return std::nullopt;
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
    // Compressed rows have no length to check; the decoder judges them: these runs end too soon.
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(100, 100, 8, 10, 1)));
}

TEST(BitmapCheck, EmptyAndEnormousPicturesAreRefusedFromTheirHeaders) {
    EXPECT_EQ("obrázek nemá žádný pixel", bitmapProblem(bitmap(0, 0, 24, 0)));
    EXPECT_EQ("obrázek nemá žádný pixel", bitmapProblem(bitmap(7, 0, 24, 0)));
    EXPECT_EQ("obrázek 100000x100000 je příliš velký", bitmapProblem(bitmap(100000, 100000, 24, 0)));
    EXPECT_EQ("obrázek 2147483647x2147483648 je příliš velký",
              bitmapProblem(bitmap(0x7FFFFFFF, std::int32_t(0x80000000u), 24, 0)));
    // Pictures are read as large as their 24-bit BMP can be written: 4 GB.
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(8192, 4096, 24, 0)));
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(8192, 4097, 24, 0)));
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(bitmap(37837, 37837, 24, 0)));
    EXPECT_EQ("obrázek 37838x37838 je příliš velký", bitmapProblem(bitmap(37838, 37838, 24, 0)));
}

TEST(BitmapCheck, WhatIsNoBitmapIsLeftToTheDecoder) {
    for (const std::string& bytes :
         {std::string(), std::string("BM"), std::string("GIF89a and more bytes here"),
          bitmap(5, 3, 24, 48, 0, 8), bitmap(-5, 3, 24, 48)}) {
        EXPECT_EQ(std::nullopt, bitmapProblem(bytes));
        EXPECT_THROW(decodeBmp(bytes, "x.bmp"), Error);
    }
}

// A BMP with 40-byte header, bit fields after it, and `data` bytes of pixels.
std::string withMasks(std::uint16_t bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    std::string bytes = bitmap(2, 2, bits, 16, 3);
    std::string masks;
    for (const std::uint32_t mask : {red, green, blue})
        for (int k = 0; k < 4; ++k)
            masks += char(mask >> (8 * k));
    bytes.insert(54, masks);
    bytes[10] = char(54 + 12);
    return bytes;
}

TEST(BitmapCheck, KindsNotReadAndHostileFieldsAreRefusedWithTheirReason) {
    EXPECT_EQ("nepodporovaná hlavička BMP: 64 bajtů", bitmapProblem(bitmap(5, 3, 24, 48, 0, 64)));
    EXPECT_EQ("nepodporovaná hlavička BMP: 4294967295 bajtů",
              bitmapProblem(bitmap(5, 3, 24, 48, 0, 0xFFFFFFFF)));
    EXPECT_EQ("nepodporovaná hloubka barev: 2 bitů na bod", bitmapProblem(bitmap(5, 3, 2, 48)));
    EXPECT_EQ("nepodporovaná hloubka barev: 0 bitů na bod", bitmapProblem(bitmap(5, 3, 0, 48)));
    EXPECT_EQ("komprese RLE8 nesouhlasí s 24 bity na bod", bitmapProblem(bitmap(5, 3, 24, 48, 1)));
    EXPECT_EQ("komprese RLE4 nesouhlasí s 8 bity na bod", bitmapProblem(bitmap(5, 3, 8, 48, 2)));
    EXPECT_EQ("bitové masky nesouhlasí s 24 bity na bod", bitmapProblem(bitmap(5, 3, 24, 48, 3)));
    EXPECT_EQ("nepodporovaná komprese: JPEG", bitmapProblem(bitmap(5, 3, 0, 48, 4)));
    EXPECT_EQ("nepodporovaná komprese: PNG", bitmapProblem(bitmap(5, 3, 0, 48, 5)));
    EXPECT_EQ("nepodporovaná komprese: 7", bitmapProblem(bitmap(5, 3, 24, 48, 7)));

    EXPECT_EQ(std::nullopt, bitmapProblem(withMasks(16, 0xF800, 0x07E0, 0x001F)));
    EXPECT_EQ(std::nullopt, bitmapProblem(withMasks(32, 0xFFC00000, 0x003FF000, 0)));  // 10 bits, no blue
    EXPECT_EQ("chybné bitové masky",
              bitmapProblem(withMasks(16, 0xF800, 0x07E0, 0x10001)));                        // beyond 16 bits
    EXPECT_EQ("chybné bitové masky", bitmapProblem(withMasks(32, 0xFF0000, 0xF0F0, 0xFF)));  // with a hole
    // Masks that run into the pixels, as when a writer leaves them out.
    std::string overlapping = withMasks(16, 0xF800, 0x07E0, 0x001F);
    overlapping[10] = 54;
    EXPECT_EQ("obrazová data začínají uvnitř hlavičky", bitmapProblem(overlapping));
    std::string before = bitmap(5, 3, 24, 48);
    before[10] = 20;
    EXPECT_EQ("obrazová data začínají uvnitř hlavičky", bitmapProblem(before));
    std::string beyond = bitmap(5, 3, 24, 48);
    beyond[13] = char(0x80);  // pixels 2 GB on
    EXPECT_EQ("soubor je zkrácený", bitmapProblem(beyond));
}

// Runs of palette indices: every way they can end early or reach outside the picture.
TEST(BitmapCheck, RunsThatEndEarlyOrReachOutsideThePictureAreSafe) {
    // 4 x 3 pixels of 8 bits, palette of index 0 grey and index 1 white, the runs after it.
    const auto runs = [](const std::string& data) {
        std::string bytes = bitmap(4, 3, 8, 8 + data.size(), 1);
        bytes.replace(54, 8, std::string("\x80\x80\x80\0\xFF\xFF\xFF\0", 8));
        bytes.replace(62, data.size(), data);
        bytes[10] = 62;
        return bytes;
    };
    const auto pixels = [&](const std::string& data) {
        std::string text;
        for (const std::uint8_t value : decodeBmp(runs(data), "x.bmp").pixels)
            text += value == 0xFF ? 'w' : value == 0x80 ? 'g' : '?';
        return text;
    };
    // Top row first; every pixel has three letters.
    const auto rows = [](const std::string& top, const std::string& middle, const std::string& bottom) {
        std::string text;
        for (const char pixel : top + middle + bottom)
            text += std::string(3, pixel);
        return text;
    };
    // A run too long for its row is cut; skipped pixels and rows keep index 0; the end mark ends early.
    EXPECT_EQ(rows("gggg", "gggg", "wwww"), pixels(std::string("\x09\x01\0\0\0\1", 6)));
    EXPECT_EQ(rows("gggw", "gggg", "gwgg"), pixels(std::string("\0\3\0\1\0\0\0\2\0\2\1\1\0\1", 14)));
    // Beyond the last row nothing more is read.
    EXPECT_EQ(rows("gggg", "gggg", "gggg"), pixels(std::string("\0\2\0\x09\x01\x01", 6)));
    for (const std::string& cut : {std::string("\x02", 1), std::string("\0\2\1", 3),
                                   std::string("\0\5\1\1", 4), std::string("\x02\x01\0\0", 4)}) {
        EXPECT_EQ("soubor je zkrácený", bitmapProblem(runs(cut)));
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
