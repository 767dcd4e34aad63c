// End-to-end runs of the built program, unattended, on copies of the shipped examples.

#include "cli/cli_fixture.h"
#include "export/bmp_writer.h"
#include "export/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace pellisor {
namespace {

using namespace cli;
using test::haveProgram;
using test::readBytes;
using test::runCommand;
using test::writeBytes;
namespace fs = std::filesystem;

TEST_F(Cli, ExportsPicturesAndTheGraphBesideTheChromosome) {
    const Outcome result =
        run({"median3x3.chr", "median3x3.ini", "-opt", "-o:ps", "-o:dot", "-o:bmp", "-o:jpg", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.err);

    const std::string ps = readBytes(workFile("median3x3.ps"));
    EXPECT_EQ(0U, ps.rfind("%!PS-Adobe", 0));
    if (haveProgram("gs")) {
        const auto gs = runCommand("gs -dSAFER -dBATCH -dNOPAUSE -dQUIET -sDEVICE=nullpage " +
                                   quoted(workFile("median3x3.ps")));
        EXPECT_EQ(0, gs.status) << gs.output;
        EXPECT_EQ("", gs.output);
    }
    if (haveProgram("dot")) {
        const auto dot = runCommand("dot -Tsvg " + quoted(workFile("median3x3.dot")) + " >/dev/null");
        EXPECT_EQ(0, dot.status) << dot.output;
    }
    EXPECT_EQ(0U, readBytes(workFile("median3x3.dot")).rfind("#median3x3.chr\ndigraph", 0));

    const Bitmap bmp(readBytes(workFile("median3x3.bmp")));
    ASSERT_GT(bmp.width, 0);
    ASSERT_GT(bmp.height, 0);
    EXPECT_NO_THROW(bmp.rgb(bmp.width - 1, bmp.height - 1));  // holds every pixel
    const RgbImage jpeg = decodeJpeg(readBytes(workFile("median3x3.jpg")));
    EXPECT_EQ(bmp.width, jpeg.width);
    EXPECT_EQ(bmp.height, std::abs(jpeg.height));
}

TEST_F(Cli, ScriptsSaveTheWholeLogBesideTheChromosome) {
    const std::string header =
        "#  Součet tří čísel, průměr prvních dvou a maximum průměru a třetího (8 bitů)/";
    Outcome result = run({"adder.chr", "adder.ini", "adder.csd", "-s", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(header +
                  "adder.csd Vstupů: 3  Výstupů: 3\n"
                  "1\t2\t3\t\t6\t1\t3\n"
                  "100\t50\t120\t\t14\t75\t120\n"
                  "200\t100\t10\t\t54\t150\t150\n"
                  "200\t100\t54\t\t98\t150\t150\n"
                  "255\t255\t255\t\t253\t255\t255\n",
              readBytes(workFile("adder.tst")));

    result = run({"adder.chr", "adder.ini", "adder.csb", "-s", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(header +
                  "adder.csb Vstupů: 3  Výstupů: 3\n"
                  "000\t0\t00\t0\n100\t1\t10\t1\n010\t2\t10\t1\n110\t3\t21\t3\n"
                  "001\t4\t11\t3\n101\t5\t21\t3\n011\t6\t21\t3\n111\t7\t31\t3\n",
              readBytes(workFile("adder.tst")));

    // A script error ends the run before anything is saved.
    writeBytes(workFile("bad.csd"), "0:1\nx\n");
    fs::remove(workFile("adder.tst"));
    result = run({"adder.chr", "bad.csd", "-s", "-o:dot", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Chybny znak v souboru #01\n", result.err);
    EXPECT_FALSE(exists("adder.tst"));
    EXPECT_FALSE(exists("adder.dot"));
}

TEST_F(Cli, OptimiseHideAndNextChangeTheCircuit) {
    ASSERT_EQ(0, run({"median3x3.chr", "median3x3.ini", "-o:dot", "-x"}).status);
    const std::string plain = readBytes(workFile("median3x3.dot"));
    EXPECT_NE(std::string::npos, plain.find(" blk16 -> blk21["));
    EXPECT_NE(std::string::npos, plain.find(" blk24["));

    ASSERT_EQ(0, run({"median3x3.chr", "median3x3.ini", "-opt", "-o:dot", "-x"}).status);
    const std::string optimised = readBytes(workFile("median3x3.dot"));
    EXPECT_EQ(std::string::npos, optimised.find(" blk16 -> blk21["));
    EXPECT_NE(std::string::npos, optimised.find(" blk9 -> blk21["));

    ASSERT_EQ(0, run({"median3x3.chr", "median3x3.ini", "-h", "-o:dot", "-x"}).status);
    const std::string hidden = readBytes(workFile("median3x3.dot"));
    EXPECT_EQ(std::string::npos, hidden.find(" blk24["));
    EXPECT_NE(std::string::npos, hidden.find(" blk39["));

    // Two steps from all inputs 0 give input 1 alone; the script only re-reads input 0.
    writeBytes(workFile("same.csd"), "0:i0\n");
    ASSERT_EQ(0, run({"adder.chr", "same.csd", "-next", "-next", "-s", "-x"}).status);
    const std::string log = readBytes(workFile("adder.tst"));
    EXPECT_EQ("0\t1\t0\t\t", log.substr(log.find('\n') + 1, 7));
}

TEST_F(Cli, LayoutArgumentsAndDashIApplyTheLayout) {
    // Values appear on the graph's edges only when the layout switched them on.
    ASSERT_EQ(0, run({"median3x3.chr", "-o:dot", "-x"}).status);
    EXPECT_EQ(std::string::npos, readBytes(workFile("median3x3.dot")).find("in0 -> blk9[label=\"12\""));

    ASSERT_EQ(0, run({"median3x3.chr", "-i", "-o:dot", "-x"}).status);
    EXPECT_NE(std::string::npos, readBytes(workFile("median3x3.dot")).find("in0 -> blk9[label=\"12\""));

    fs::rename(workFile("median3x3.ini"), workFile("elsewhere.ini"));
    ASSERT_EQ(0, run({"median3x3.chr", "elsewhere.ini", "-o:dot", "-x"}).status);
    EXPECT_NE(std::string::npos, readBytes(workFile("median3x3.dot")).find("in0 -> blk9[label=\"12\""));

    // No layout beside the chromosome: said on stderr, and the run ends as failed.
    const Outcome missing = run({"median3x3.chr", "-i", "-o:ps", "-x"});
    EXPECT_EQ(1, missing.status);
    EXPECT_EQ("pellisor: Soubor " + fs::canonical(work()).string() + "/median3x3.ini neexistuje!\n",
              missing.err);
    EXPECT_FALSE(exists("median3x3.ps"));
}

TEST_F(Cli, VhdlNamesTheChromosomeAndGhdlAcceptsIt) {
    const Outcome result = run({"median3x3.chr", "-o:vhd", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    const std::string vhdl = readBytes(workFile("median3x3.vhd"));
    EXPECT_EQ(0U, vhdl.rfind("--median3x3.chr\nlibrary ieee;\n", 0));
    if (!haveProgram("ghdl")) GTEST_SKIP() << "GHDL is not installed";
    const std::string data = environment("PELLISOR_EXAMPLES") + "/../tests/data";
    const auto ghdl = runCommand("cd " + quoted(work()) + " && ghdl -a --std=93c -fsynopsys " +
                                 quoted(data + "/vhdl/vrc_alu.vhd") + " " + quoted(data + "/vhdl/reg.vhd") +
                                 " median3x3.vhd && ghdl -e --std=93c -fsynopsys filter");
    EXPECT_EQ(0, ghdl.status) << ghdl.output;
}

TEST_F(Cli, DashFFiltersThePictureWithARedFrame) {
    const Outcome result = run({"median3x3.chr", "median3x3.ini", "-f:pattern64.bmp", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    const Bitmap source(readBytes(workFile("pattern64.bmp")));
    const Bitmap filtered(readBytes(workFile("median3x3.flt.bmp")));
    ASSERT_EQ(source.width, filtered.width);
    ASSERT_EQ(source.height, filtered.height);
    for (std::int32_t k = 0; k < 64; ++k) {
        EXPECT_EQ(0xFF0000u, filtered.rgb(k, 0));
        EXPECT_EQ(0xFF0000u, filtered.rgb(63, k));
    }
    // The median removes the salt and pepper of the picture.
    int noiseBefore = 0;
    int noiseAfter = 0;
    for (std::int32_t y = 1; y < 63; ++y) {
        for (std::int32_t x = 1; x < 63; ++x) {
            noiseBefore += source.rgb(x, y) == 0xFFFFFFu || source.rgb(x, y) == 0;
            noiseAfter += filtered.rgb(x, y) == 0xFFFFFFu || filtered.rgb(x, y) == 0;
        }
    }
    EXPECT_GT(noiseBefore, 200);
    EXPECT_LT(noiseAfter, 5);

    const Outcome unreadable = run({"median3x3.chr", "-f:nothing.bmp", "-x"});
    EXPECT_EQ(1, unreadable.status);
    EXPECT_EQ("pellisor: Obrázek nelze načíst: nothing.bmp\n", unreadable.err);
    const Outcome wrongCircuit = run({"adder.chr", "-f:pattern64.bmp", "-x"});
    EXPECT_EQ(1, wrongCircuit.status);
    EXPECT_FALSE(exists("adder.flt.bmp"));
}

// A picture of three rows, 11,184,812 pixels wide (over 2^25 pixels in all), as 8-bit runs: grey 0x10
// on top, 0xF0 at the bottom, and between them runs of 255 pixels alternately 0x40 and 0xC0.
constexpr std::uint32_t kWideWidth = 11184812;
std::string wideRunLengthPicture() {
    std::string bytes = "BM";
    const auto put = [&](std::uint32_t value, int size) {
        for (int k = 0; k < size; ++k)
            bytes += char((value >> (8 * k)) & 0xFF);
    };
    std::string runs;
    for (const int row : {1, 2, 0}) {  // from the bottom up
        for (std::uint32_t x = 0, run = 0; x < kWideWidth; x += 255, ++run) {
            runs += char(std::min<std::uint32_t>(255, kWideWidth - x));
            runs += char(row == 2 ? 2 + run % 2 : row);
        }
        runs += std::string("\0\0", 2);
    }
    runs += std::string("\0\1", 2);
    const std::string palette("\x10\x10\x10\0\xF0\xF0\xF0\0\x40\x40\x40\0\xC0\xC0\xC0\0", 16);
    put(std::uint32_t(54 + palette.size() + runs.size()), 4);
    put(0, 4);
    put(std::uint32_t(54 + palette.size()), 4);
    for (const std::uint32_t field : {40u, kWideWidth, 3u})
        put(field, 4);
    put(1, 2);
    put(8, 2);
    for (const std::uint32_t field : {1u, std::uint32_t(runs.size()), 0u, 0u, 4u, 0u})
        put(field, 4);
    return bytes + palette + runs;
}

TEST_F(Cli, APictureOfOverTwoToThe25PixelsIsFiltered) {
    writeBytes(workFile("wide.bmp"), wideRunLengthPicture());
    const Outcome result = run({"median3x3.chr", "median3x3.ini", "-f:wide.bmp", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    // Read whole and compared row by row: 100 MB pixel by pixel is slow under the sanitizers.
    std::ifstream file(workFile("median3x3.flt.bmp"), std::ios::binary | std::ios::ate);
    std::string bytes(std::size_t(file.tellg()), '\0');
    file.seekg(0).read(bytes.data(), std::streamsize(bytes.size()));
    const std::size_t stride = std::size_t(kWideWidth) * 3;  // a multiple of 4: no padding
    ASSERT_EQ(54 + 3 * stride, bytes.size());
    EXPECT_EQ(bmpHeader(std::int32_t(kWideWidth), 3), bytes.substr(0, 54));

    // Blue, green and red from the bottom row up. The frame is red; the median of each neighbourhood
    // is the middle row's pixel.
    std::string red("\0\0\xFF", 3);
    while (red.size() < stride)
        red += red;
    red.resize(stride);
    std::string middle(stride, '\0');
    for (std::size_t x = 0; x < kWideWidth; x += 255)
        std::fill_n(middle.begin() + std::ptrdiff_t(3 * x), 3 * std::min<std::size_t>(255, kWideWidth - x),
                    char(x / 255 % 2 == 0 ? 0x40 : 0xC0));
    middle.replace(0, 3, red, 0, 3);
    middle.replace(stride - 3, 3, red, 0, 3);
    EXPECT_TRUE(bytes.compare(54, stride, red) == 0);
    EXPECT_TRUE(bytes.compare(54 + stride, stride, middle) == 0);
    EXPECT_TRUE(bytes.compare(54 + 2 * stride, stride, red) == 0);
}

TEST_F(Cli, TheSecondOfTwoChromosomesNamesTheOutputs) {
    ASSERT_EQ(0, run({"adder.chr", "median3x3.chr", "-o:dot", "-x"}).status);
    EXPECT_TRUE(exists("median3x3.dot"));
    EXPECT_FALSE(exists("adder.dot"));
}

TEST_F(Cli, OptionsBeforeAChromosomeAndInCapitalsDoNothing) {
    const auto before = workFiles();
    // Unattended, an option with nothing to act on fails the run.
    Outcome result = run({"-o:ps", "-o:dot", "-opt", "-s", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Volbu -o:ps nelze provést: není načten žádný chromozom\n", result.err);
    EXPECT_EQ(before, workFiles());

    result = run({"adder.chr", "-O:JPG", "-O:PS", "-X", "-x"});
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(
        "pellisor: neznámá volba ignorována: -O:JPG\n"
        "pellisor: neznámá volba ignorována: -O:PS\n"
        "pellisor: neznámá volba ignorována: -X\n",
        result.err);
    EXPECT_EQ(before, workFiles());
}

TEST_F(Cli, AMissingOrBadChromosomeEndsTheRunWithStatusOne) {
    const auto before = workFiles();
    Outcome result = run({"missing.chr", "-o:ps", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Soubor nelze otevrit\n", result.err);
    EXPECT_EQ(before, workFiles());

    writeBytes(workFile("bad.chr"), "{3,1,2,2,2,1,-1}([3]0,1,1)\n");
    result = run({"bad.chr", "-o:ps", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Chybny chromozom\n", result.err);
    EXPECT_FALSE(exists("bad.ps"));

    // A layout before any chromosome would act on no circuit.
    result = run({"adder.ini", "adder.chr", "-o:ps", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Rozmístění adder.ini nelze načíst: není načten žádný chromozom\n", result.err);
    EXPECT_FALSE(exists("adder.ps"));
}

TEST_F(Cli, AVrcFileIsAnsweredOnStdin) {
    Outcome result = run({"cells.vrc", "-o:dot", "-x"}, "3\n2\n1\n");
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(
        "Načtení vrc chromozomu: Počet vstupů (>1) [7]: "
        "Načtení vrc chromozomu: Počet výstupů (1..3) [7]: "
        "Načtení vrc chromozomu: Index prvního výstupu (0..1) [1]: ",
        result.err);
    const std::string dot = readBytes(workFile("cells.dot"));
    EXPECT_NE(std::string::npos, dot.find(" in3"));  // the constant input comes first
    EXPECT_EQ(std::string::npos, dot.find(" in4"));

    // An empty answer takes the proposed value; an answer out of range is asked again.
    result = run({"cells.vrc", "-o:ps", "-x"}, "\n0\n2\n9\n\n");
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_TRUE(exists("cells.ps"));

    // The end of input cancels: the empty chromosome line does not draw.
    fs::remove(workFile("cells.ps"));
    result = run({"cells.vrc", "-o:ps", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("pellisor: Chybny chromozom\n"));
    EXPECT_FALSE(exists("cells.ps"));
}

TEST_F(Cli, RunsWithoutADisplay) {
    const Outcome result = run({"median3x3.chr", "-o:bmp", "-o:jpg", "-x"}, "",
                               "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb");
    EXPECT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.err);
    EXPECT_EQ("BM", readBytes(workFile("median3x3.bmp")).substr(0, 2));
    EXPECT_TRUE(exists("median3x3.jpg"));
}

TEST_F(Cli, WithoutADisplayTheWindowIsRefusedInsteadOfAborting) {
    const Outcome result =
        run({"adder.chr", "-o:dot"}, "", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: Okno nelze otevřít: není k dispozici displej (bez okna spusťte s volbou -x)\n",
              result.err);
    EXPECT_FALSE(exists("adder.dot"));
}

TEST_F(Cli, HelpPrintsTheUsageAndExits) {
    const auto before = workFiles();
    const Outcome result = run({"adder.chr", "-o:ps", "--help"}, "", "env -u DISPLAY");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(0U, result.out.rfind("Použití: pellisor", 0));
    EXPECT_NE(std::string::npos, result.out.find("-o:dot"));
    EXPECT_NE(std::string::npos, result.out.find("Příklady:"));
    EXPECT_EQ("", result.err);
    EXPECT_EQ(before, workFiles());
}

TEST_F(Cli, SettingsAreReadBesideTheProgramNotInTheWorkingDirectory) {
    writeBytes(bin() + "/set.ini", "[Funkce]\nf0=24\nf1=26\nf2=10\n");
    writeBytes(workFile("set.ini"), "[Funkce]\nf0=1\nf1=1\nf2=1\n");
    writeBytes(workFile("one.csd"), "0:100 1:50 2:120\n");
    ASSERT_EQ(0, run({"adder.chr", "one.csd", "-s", "-x"}).status);
    const std::string log = readBytes(workFile("adder.tst"));
    EXPECT_EQ("100\t50\t120\t\t14\t75\t120\n", log.substr(log.find('\n') + 1));
}

// A circuit of a million inputs whose output passes input 1: every result line holds a million values.
// The lines go to the file as they come, and a batch holds one vector, not the 256 that took gigabytes.
TEST_F(Cli, DashSStreamsTheLinesOfAVeryWideCircuit) {
    writeBytes(workFile("wide.chr"), "{1000000,1,1,1,2,1,-1}([1000000]0,1,1)(1)\n");
    writeBytes(workFile("wide.csd"), "0:5 999999:7 1:3\n500000:255 1:9\n\n0:i999999 1:o0\n");
    const Outcome result = run({"wide.chr", "wide.csd", "-s", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    rusage children{};
    ASSERT_EQ(0, ::getrusage(RUSAGE_CHILDREN, &children));
    EXPECT_LT(children.ru_maxrss, 1L << 20) << "peak kilobytes";

    std::vector<int> values(1000000, 0);
    std::string expected = "# /wide.csd Vstupů: 1000000  Výstupů: 1\n";
    const auto addLine = [&] {
        for (std::size_t i = 0; i < values.size(); ++i)
            expected += (i > 0 ? "\t" : "") + std::to_string(values[i]);
        expected += "\t\t" + std::to_string(values[1]) + "\n";
    };
    values[0] = 5, values[999999] = 7, values[1] = 3;
    addLine();
    values[500000] = 255, values[1] = 9;
    addLine();
    addLine();
    values[0] = 7;  // and input 1 gets the output, 9
    addLine();
    EXPECT_TRUE(expected == readBytes(workFile("wide.tst")));
}

TEST_F(Cli, ScriptsAreRegularFilesWithAnyLineEnds) {
    ASSERT_EQ(0, ::mkfifo(workFile("fifo.csd").c_str(), 0600));
    fs::create_symlink("/dev/zero", workFile("zero.csd"));
    for (const std::string script : {"fifo.csd", "zero.csd"}) {
        const Outcome result = run({"adder.chr", script, "-s", "-x"}, "", "timeout 20");
        EXPECT_EQ(1, result.status);
        EXPECT_EQ("pellisor: Soubor nelze otevrit: " + script + "\n", result.err);
        EXPECT_FALSE(exists("adder.tst"));
    }

    const std::string lf = readBytes(workFile("adder.csd"));
    ASSERT_EQ(0, run({"adder.chr", "adder.ini", "adder.csd", "-s", "-x"}).status);
    const std::string expected = readBytes(workFile("adder.tst"));
    std::string cr = "\xEF\xBB\xBF";
    for (const char c : lf)
        cr += c == '\n' ? '\r' : c;
    writeBytes(workFile("adder.csd"), cr);
    ASSERT_EQ(0, run({"adder.chr", "adder.ini", "adder.csd", "-s", "-x"}).status);
    EXPECT_EQ(expected, readBytes(workFile("adder.tst")));
}

}  // namespace
}  // namespace pellisor
