// End-to-end runs of the filter quality measurement: "-ref:", "-q:", "-f:" with a reference and
// "-o:blocks", read back by Python's json module and a PNG decoder of its standard library.

#include "cli/cli_fixture.h"
#include "export/bmp_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pellisor {
namespace {

using namespace cli;

// Checks the report's fields; prints "better" when the filter improved every figure on its input and
// "median" when its figures are the median baseline's.
constexpr const char* kReportCheck = R"(
import json, sys
r = json.load(open(sys.argv[1]))
assert list(r) == ['reference_picture', 'input_picture', 'noise', 'width', 'height', 'region', 'filtered', 'input', 'median3x3'], list(r)
assert r['region'] == 'interior' and r['width'] == 48 and r['height'] == 40
for part in ('filtered', 'input', 'median3x3'):
    assert list(r[part]) == ['mdpp', 'psnr', 'ssim', 'max_error', 'changed'], r[part]
print(r['input_picture'], json.dumps(r['noise']))
f, i = r['filtered'], r['input']
if f['mdpp'] < i['mdpp'] and f['psnr'] > i['psnr'] and f['ssim'] > i['ssim'] and f['changed'] < i['changed']:
    print('better')
if f == r['median3x3']:
    print('median')
)";

// Decodes an 8-bit RGB(A) PNG into raw RGB bytes, rows from the top.
constexpr const char* kPngDecoder = R"(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n'
pos, idat = 8, b''
while pos < len(data):
    n, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    pos += 12 + n
    if kind == b'IHDR':
        w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
    if kind == b'IDAT':
        idat += body
assert depth == 8 and ctype in (2, 6)
raw, bpp = zlib.decompress(idat), {2: 3, 6: 4}[ctype]
stride, prev, out, i = w * bpp, bytearray(w * bpp), bytearray(), 0
for y in range(h):
    f, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
    i += 1 + stride
    for x in range(stride):
        a = line[x - bpp] if x >= bpp else 0
        b, c = prev[x], prev[x - bpp] if x >= bpp else 0
        p = a + b - c
        pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c][f]
        line[x] = (line[x] + pred) & 255
    out += bytes(line[j] for j in range(stride) if j % bpp < 3)
    prev = line
sys.stdout.write('%d %d ' % (w, h) + out.hex())
)";

class QualityCli : public Cli {
protected:
    void SetUp() override {
        Cli::SetUp();
        if (HasFatalFailure()) return;
        // A smooth picture, as photographs are: a 3x3 median keeps it while it removes impulses.
        RgbImage clean{48, 40, {}};
        for (std::int32_t y = 0; y < clean.height; ++y) {
            for (std::int32_t x = 0; x < clean.width; ++x) {
                clean.pixels.insert(clean.pixels.end(), {std::uint8_t(40 + 3 * x), std::uint8_t(30 + 4 * y),
                                                         std::uint8_t(100 + x + y)});
            }
        }
        writeBmpFile(workFile("clean.bmp"), clean);
        writeBmpFile(workFile("small.bmp"), RgbImage{8, 8, std::vector<std::uint8_t>(192, 7)});
        writeBytes(workFile("report.py"), kReportCheck);
        writeBytes(workFile("png.py"), kPngDecoder);
    }

    std::string python(const std::string& script, const std::string& argument) const {
        const auto result =
            test::runCommand("cd " + quoted(work()) + " && python3 " + script + " " + quoted(argument));
        EXPECT_EQ(0, result.status) << result.output;
        return result.output;
    }
};

TEST_F(QualityCli, NoiseFilterAndBlocksWriteTheirFiles) {
    const Outcome first = run({"median9.cha", "-ref:clean.bmp", "-q:sp:0.1:7", "-o:blocks", "-x"});
    ASSERT_EQ(0, first.status) << first.err;
    for (const char* name :
         {"median9.noisy.bmp", "median9.flt.bmp", "median9.quality.json", "median9.diff.bmp"})
        EXPECT_TRUE(exists(name)) << name;
    EXPECT_EQ("median9.noisy.bmp {\"kind\": \"sp\", \"level\": 0.1, \"seed\": 7}\nbetter\nmedian\n",
              python("report.py", "median9.quality.json"));
    const std::string noisy = readBytes(workFile("median9.noisy.bmp"));

    // The difference picture is |filtered - reference| per channel.
    const Bitmap clean(readBytes(workFile("clean.bmp"))), filtered(readBytes(workFile("median9.flt.bmp")));
    const Bitmap difference(readBytes(workFile("median9.diff.bmp")));
    for (std::int32_t y = 0; y < 40; y += 3) {
        for (std::int32_t x = 0; x < 48; x += 5) {
            std::uint32_t expected = 0;
            for (int shift : {16, 8, 0}) {
                const int d = int(clean.rgb(x, y) >> shift & 0xFF) - int(filtered.rgb(x, y) >> shift & 0xFF);
                expected |= std::uint32_t(std::abs(d)) << shift;
            }
            EXPECT_EQ(expected, difference.rgb(x, y)) << x << "," << y;
        }
    }

    // The block feeding the output shows the filtered picture; every active block has a picture.
    const std::string decoded = python("png.py", "median9.blocks/blk46.png");
    ASSERT_EQ("48 40 ", decoded.substr(0, 6));
    for (std::int32_t y = 0; y < 40; ++y) {
        for (std::int32_t x = 0; x < 48; ++x) {
            const auto rgb =
                std::uint32_t(std::stoul(decoded.substr(6 + std::size_t(y * 48 + x) * 6, 6), nullptr, 16));
            ASSERT_EQ(filtered.rgb(x, y), rgb) << x << "," << y;
        }
    }
    // Of the 38 halves of the 19 compare-exchanges the median reads 30.
    EXPECT_EQ(30u,
              std::distance(fs::directory_iterator(workFile("median9.blocks")), fs::directory_iterator{}));

    // The same seed gives the same noisy picture; a given picture reports no noise.
    ASSERT_EQ(0, run({"median9.cha", "-ref:clean.bmp", "-q:sp:0.1:7", "-x"}).status);
    EXPECT_EQ(noisy, readBytes(workFile("median9.noisy.bmp")));
    fs::copy_file(workFile("median9.noisy.bmp"), workFile("given.bmp"));
    ASSERT_EQ(0, run({"-ref:clean.bmp", "median9.cha", "-f:given.bmp", "-x"}).status);
    EXPECT_EQ("given.bmp null\nbetter\nmedian\n", python("report.py", "median9.quality.json"));
}

TEST_F(QualityCli, BadRequestsEndTheRunWithAReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"median9.cha", "-q:sp:0.1:7", "-x"}, "není zadán referenční obraz"},
        {{"median9.cha", "-ref:clean.bmp", "-q:sp:1.5:7", "-x"}, "musí být pravděpodobnost 0 až 1"},
        {{"median9.cha", "-ref:clean.bmp", "-q:rv:-0.5:7", "-x"}, "musí být pravděpodobnost 0 až 1"},
        {{"median9.cha", "-ref:clean.bmp", "-q:gauss:-2:7", "-x"}, "musí být nezáporné číslo"},
        {{"median9.cha", "-ref:clean.bmp", "-q:pepper:0.1:7", "-x"}, "neznámý druh šumu pepper"},
        {{"median9.cha", "-ref:clean.bmp", "-q:sp:0.1", "-x"}, "-q:DRUH:ÚROVEŇ:SEMÍNKO"},
        {{"median9.cha", "-ref:clean.bmp", "-q:sp:0.1:x", "-x"}, "semínko musí být celé číslo"},
        {{"median9.cha", "-ref:small.bmp", "-f:clean.bmp", "-x"},
         "má rozměry 8x8, obraz clean.bmp má rozměry 48x40"},
        {{"median9.cha", "-o:blocks", "-x"}, "nebyl filtrován žádný obraz"},
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(1, outcome.status) << arguments[2];
        EXPECT_NE(std::string::npos, outcome.err.find(message)) << outcome.err;
    }
    EXPECT_FALSE(exists("median9.quality.json"));
    EXPECT_NE(std::string::npos, run({"--help"}).out.find("-q:DRUH:ÚROVEŇ:SEMÍNKO"));
}

}  // namespace
}  // namespace pellisor
