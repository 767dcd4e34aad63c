// The BMP reader against ImageMagick, a reader and writer of its own: every kind of BMP that
// ImageMagick writes, and the kinds it reads but does not write made from its files, decode to the
// pixels ImageMagick decodes; what the writer writes ImageMagick reads back as the picture.

#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::shellQuoted;

// ImageMagick 7 is `magick`; Debian's ImageMagick 6 has its own name, which no stand-in takes.
std::string imageMagick() {
    for (const char* name : {"magick", "convert-im6.q16"}) {
        if (test::haveProgram(name)) return name;
    }
    return "";
}

RgbImage randomPicture(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    std::mt19937 rng(seed);
    RgbImage image{width, height, {}};
    image.pixels.resize(image.stride() * std::size_t(height));
    // Smooth areas (runs for RLE) and noise.
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = rng() % 4 == 0 ? std::uint8_t(rng()) : std::uint8_t(i / 3 % 97 * 2 + i % 3 * 40);
    return image;
}

std::string ppm(const RgbImage& image) {
    return "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n" +
           std::string(image.pixels.begin(), image.pixels.end());
}

std::uint32_t get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k)
        value |= std::uint32_t(std::uint8_t(bytes.at(at + k))) << (8 * k);
    return value;
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k)
        bytes.at(at + k) = char(value >> (8 * k));
}

// Kinds ImageMagick reads but does not write, made from a file it wrote with a 40- or 124-byte header.
std::string withHeaderSize(std::string bmp, std::uint32_t size) {
    put32(bmp, 14, size);  // what lay beyond the shorter header is a gap before the pixels
    return bmp;
}

std::string topDown(std::string bmp) {
    const std::uint32_t width = get32(bmp, 18);
    const std::uint32_t height = get32(bmp, 22);
    const std::size_t stride = (std::size_t(width) * (std::uint8_t(bmp[28])) + 31) / 32 * 4;
    const std::size_t at = get32(bmp, 10);
    std::string rows = bmp.substr(at, stride * height);
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(bmp.data() + at + y * stride, rows.data() + (height - 1 - y) * stride, stride);
    put32(bmp, 22, std::uint32_t(-std::int32_t(height)));
    return bmp;
}

// A 4- or 8-bit uncompressed file run-length encoded: runs of three or more as runs, the rest as
// literal stretches (pairs and single pixels as short runs), an end of line after every row.
std::string runLengthEncoded(const std::string& bmp) {
    const std::uint32_t width = get32(bmp, 18);
    const std::uint32_t height = get32(bmp, 22);
    const std::uint32_t bits = std::uint8_t(bmp[28]);
    const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;
    const std::size_t at = get32(bmp, 10);
    std::string data;
    for (std::size_t y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row(width);
        for (std::size_t x = 0; x < width; ++x) {
            const auto byte = std::uint8_t(bmp[at + y * stride + x * bits / 8]);
            row[x] = bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0xf);
        }
        const auto runAt = [&](std::size_t x) {
            std::size_t end = x;
            while (end < width && end - x < 255 && row[end] == row[x])
                ++end;
            return end - x;
        };
        for (std::size_t x = 0; x < width;) {
            std::size_t literal = 0;
            while (x + literal < width && literal < 254 && runAt(x + literal) < 3)
                literal += runAt(x + literal);
            if (literal >= 3) {
                data += '\0';
                data += char(literal);
                std::string bytes;
                for (std::size_t k = 0; k < literal; ++k) {
                    if (bits == 8)
                        bytes += char(row[x + k]);
                    else if (k % 2 == 0)
                        bytes += char(row[x + k] << 4);
                    else
                        bytes.back() = char(bytes.back() | row[x + k]);
                }
                data += bytes + (bytes.size() % 2 ? std::string(1, '\0') : "");
                x += literal;
                continue;
            }
            const std::size_t run = runAt(x);
            data += char(run);
            data += char(bits == 8 ? row[x] : row[x] << 4 | row[x]);
            x += run;
        }
        data += std::string("\0\0", 2);
    }
    data += std::string("\0\1", 2);
    std::string encoded = bmp.substr(0, at) + data;
    put32(encoded, 2, std::uint32_t(encoded.size()));
    put32(encoded, 30, bits == 8 ? 1 : 2);
    put32(encoded, 34, std::uint32_t(data.size()));
    return encoded;
}

class BmpCodec : public ::testing::Test {
protected:
    void SetUp() override {
        magick_ = imageMagick();
        ASSERT_FALSE(magick_.empty()) << "ImageMagick is missing; scripts/setup installs it";
    }

    // ImageMagick's decoding of a file, as RGB.
    RgbImage reference(const std::string& path) const {
        const auto made = test::runCommand(magick_ + " " + shellQuoted(path) + " -alpha off -depth 8 ppm:" +
                                           shellQuoted(dir.file("reference.ppm")));
        EXPECT_EQ(0, made.status) << path << ": " << made.output;
        const std::string bytes = test::readBytes(dir.file("reference.ppm"));
        RgbImage image;
        int header = 0;
        if (std::sscanf(bytes.c_str(), "P6 %d %d 255%n", &image.width, &image.height, &header) != 2 ||
            header == 0) {
            ADD_FAILURE() << "ImageMagick cannot read " << path;
            return {};
        }
        image.pixels.assign(bytes.begin() + header + 1, bytes.end());
        return image;
    }

    // The file ImageMagick writes of the picture with these options.
    std::string written(const RgbImage& picture, const std::string& options) const {
        test::writeBytes(dir.file("source.ppm"), ppm(picture));
        const auto made = test::runCommand(magick_ + " " + shellQuoted(dir.file("source.ppm")) + " " +
                                           options + shellQuoted(dir.file("made.bmp")));
        EXPECT_EQ(0, made.status) << options << ": " << made.output;
        return test::readBytes(dir.file("made.bmp"));
    }

    std::string magick_;
    test::TempDir dir;
};

struct Kind {
    const char* options;  // ending in the format
    std::function<std::string(std::string)> change;
    std::uint32_t headerSize, bits, compression;
    bool wide = false;  // also read at a width that crosses the pieces a row is converted in
};

std::string unchanged(std::string bmp) {
    return bmp;
}

TEST_F(BmpCodec, EveryKindOfBmpReadsAsImageMagickReadsIt) {
    const auto header = [](std::uint32_t size) {
        return [size](std::string b) { return withHeaderSize(b, size); };
    };
    const std::vector<Kind> kinds = {
        {"BMP2:", unchanged, 12, 24, 0},
        {"-colors 200 BMP2:", unchanged, 12, 8, 0},
        {"-colors 16 BMP2:", unchanged, 12, 4, 0, true},
        {"-colors 2 BMP2:", unchanged, 12, 1, 0},
        {"BMP3:", unchanged, 40, 24, 0},
        {"BMP3:", topDown, 40, 24, 0},
        {"-type Palette -compress None BMP3:", unchanged, 40, 8, 0, true},
        {"-colorspace Gray -type Palette -compress None BMP3:", unchanged, 40, 8, 0},
        {"-colors 12 -compress None BMP3:", unchanged, 40, 4, 0},
        {"-colors 12 -compress None BMP3:", topDown, 40, 4, 0},
        {"-colors 12 -compress None BMP3:", runLengthEncoded, 40, 4, 2},
        {"-monochrome BMP3:", unchanged, 40, 1, 0, true},
        {"-type Palette -compress RLE BMP3:", unchanged, 40, 8, 1},
        {"-type Palette -compress None BMP3:", runLengthEncoded, 40, 8, 1},
        {"-alpha on -define bmp3:alpha=true BMP3:", unchanged, 40, 32, 0, true},
        {"-monochrome BMP:", unchanged, 108, 1, 0},
        {"BMP:", unchanged, 124, 24, 0, true},
        {"-alpha on BMP:", unchanged, 124, 32, 3, true},
        {"-alpha on BMP:", header(56), 56, 32, 3},
        {"-define bmp:subtype=RGB565 BMP:", unchanged, 124, 16, 3, true},
        {"-define bmp:subtype=RGB565 BMP:", header(52), 52, 16, 3},
        {"-define bmp:subtype=RGB565 BMP:", header(40), 40, 16, 3},  // masks after the header
        {"-define bmp:subtype=RGB555 BMP:", unchanged, 124, 16, 3},
        {"-define bmp:subtype=RGB555 BMP:",
         [](std::string b) {
             put32(b, 30, 0);  // no compression: 5-5-5 by default
             return withHeaderSize(b, 40);
         },
         40, 16, 0},
    };
    // Odd sizes for padding and half bytes.
    for (const auto& [width, height] : {std::pair{37, 19}, std::pair{4099, 2}}) {
        const RgbImage picture = randomPicture(width, height, std::uint32_t(width));
        for (const Kind& kind : kinds) {
            if (width > 37 && !kind.wide) continue;
            const std::string bmp = kind.change(written(picture, kind.options));
            const std::string what = std::string(kind.options) + " " + std::to_string(width);
            ASSERT_EQ(kind.headerSize, get32(bmp, 14)) << what;
            ASSERT_EQ(kind.bits, std::uint8_t(bmp[kind.headerSize == 12 ? 24 : 28])) << what;
            ASSERT_EQ(kind.compression, kind.headerSize == 12 ? 0 : get32(bmp, 30)) << what;
            test::writeBytes(dir.file("kind.bmp"), bmp);
            const RgbImage expected = reference(dir.file("kind.bmp"));
            const RgbImage read = readBmpFile(dir.file("kind.bmp"));
            ASSERT_EQ(expected.width, read.width) << what;
            ASSERT_EQ(expected.height, read.height) << what;
            EXPECT_TRUE(expected.pixels == read.pixels) << what;
        }
    }
}

TEST_F(BmpCodec, WhatTheWriterWritesImageMagickReadsBack) {
    for (const auto& [width, height] :
         {std::pair{1, 1}, std::pair{2, 3}, std::pair{37, 19}, std::pair{4099, 30}}) {
        const RgbImage picture = randomPicture(width, height, 7);
        writeBmpFile(dir.file("ours.bmp"), picture);
        const std::string bmp = test::readBytes(dir.file("ours.bmp"));
        EXPECT_EQ(bmpHeader(width, height), bmp.substr(0, 54));
        EXPECT_EQ(kBmpHeaderSize + bmpRowSize(width) * std::uint64_t(height), bmp.size());
        const RgbImage back = reference(dir.file("ours.bmp"));
        EXPECT_EQ(width, back.width);
        EXPECT_EQ(height, back.height);
        EXPECT_TRUE(picture.pixels == back.pixels) << width << "x" << height;
    }
}

// Cut anywhere, a file is refused as cut short, or read whole when only the padding of its last row
// or the end mark of its runs is missing: never half read.
TEST_F(BmpCodec, EveryCutOfAFileIsRefusedAsCutShortOrReadWhole) {
    const RgbImage picture = randomPicture(13, 5, 3);
    for (const char* options :
         {"BMP2:", "-colors 16 BMP2:", "-monochrome BMP3:", "-type Palette -compress RLE BMP3:",
          "-define bmp:subtype=RGB565 BMP:", "-alpha on BMP:"}) {
        const std::string bmp = written(picture, options);
        const RgbImage whole = decodeBmp(bmp, "x.bmp");
        for (std::size_t size = 0; size < bmp.size(); ++size) {
            try {
                const RgbImage read = decodeBmp(bmp.substr(0, size), "x.bmp");
                EXPECT_TRUE(read.pixels == whole.pixels) << options << " cut at " << size;
                EXPECT_GT(size, bmp.size() - 4) << options;
            } catch (const Error& error) {
                EXPECT_STREQ(size < 18 ? "Obrázek nelze načíst: x.bmp"
                                       : "Obrázek nelze načíst: x.bmp (soubor je zkrácený)",
                             error.what())
                    << options << " cut at " << size;
            }
        }
    }
}

}  // namespace
}  // namespace pellisor
