#include "export/picture_format.h"

#include "export/jpeg_codec.h"
#include "model/error.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

TEST(PictureFormat, TheChosenExtensionDecidesCaseSensitively) {
    EXPECT_EQ(PictureFormat::Bitmap, pictureFormatForName("/tmp/a.bmp"));
    EXPECT_EQ(PictureFormat::Jpeg, pictureFormatForName("a.jpg"));
    EXPECT_EQ(PictureFormat::PostScript, pictureFormatForName("a.ps"));
    EXPECT_EQ(PictureFormat::PostScript, pictureFormatForName("a.eps"));
    for (const char* name : {"a.BMP", "a.jpeg", "a", "dir.bmp/a", "a.bmp ", ""}) {
        EXPECT_FALSE(pictureFormatForName(name).has_value()) << name;
    }
}

TEST(PictureFormat, ProposedNamesEndInABlankInsteadOfTheExtension) {
    EXPECT_EQ("/data/adder ", nameWithBlankExtension("/data/adder.chr"));
    EXPECT_EQ("adder.v2 ", nameWithBlankExtension("adder.v2.chr"));
    EXPECT_EQ("adder ", nameWithBlankExtension("adder"));
    EXPECT_EQ(" ", nameWithBlankExtension(""));
    EXPECT_EQ("./x.d/adder ", nameWithBlankExtension("./x.d/adder"));
}

TEST(JpegCodec, RoundTripKeepsSizeAndColoursClose) {
    RgbImage image;
    image.width = 33;
    image.height = 17;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.pixels.push_back(static_cast<std::uint8_t>(x * 7));
            image.pixels.push_back(static_cast<std::uint8_t>(y * 15));
            image.pixels.push_back(128);
        }
    }
    const std::string jpeg = encodeJpeg(image);
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_EQ('\xFF', jpeg[0]);
    EXPECT_EQ('\xD8', jpeg[1]);
    EXPECT_NE(std::string::npos, jpeg.find("JFIF"));
    EXPECT_NE(std::string::npos, jpeg.find("\xFF\xC0", 0));  // baseline frame, not progressive
    EXPECT_EQ(std::string::npos, jpeg.find("\xFF\xC2", 0));
    const RgbImage decoded = decodeJpeg(jpeg);
    ASSERT_EQ(image.width, decoded.width);
    ASSERT_EQ(image.height, decoded.height);
    int worst = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        worst = std::max(worst, std::abs(int(image.pixels[i]) - int(decoded.pixels[i])));
    }
    EXPECT_LT(worst, 40);
}

TEST(JpegCodec, BrokenInputRaisesInsteadOfEndingTheProcess) {
    RgbImage image{8, 8, std::vector<std::uint8_t>(8 * 8 * 3, 200)};
    const std::string jpeg = encodeJpeg(image);
    for (const std::string& bad :
         {std::string(), std::string("GIF89a"), jpeg.substr(0, 20), jpeg.substr(0, 2)}) {
        EXPECT_THROW(decodeJpeg(bad), Error);
    }
    // A truncated body still decodes what is there (libjpeg pads the rest) or raises; it never crashes.
    try {
        const RgbImage partial = decodeJpeg(jpeg.substr(0, jpeg.size() / 2));
        EXPECT_EQ(8, partial.width);
    } catch (const Error&) {
    }
    EXPECT_THROW(encodeJpeg(RgbImage{}), Error);
    EXPECT_THROW(encodeJpeg(RgbImage{70000, 1, std::vector<std::uint8_t>(70000 * 3)}), Error);
}

}  // namespace
}  // namespace pellisor
