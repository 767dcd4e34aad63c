// Unattended runs whose files cannot be written, and runs given broken pictures: every failure ends the
// run with status 1 and says why, the file that was there stays byte for byte, nothing is left behind,
// and a broken picture never ends the process.

#include "support/fault_injection.h"
#include "export/jpeg_codec.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pellisor {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::runCommand;
using test::writeBytes;

std::string environment(const char* name) {
    return test::environmentValue(name);
}
std::string quoted(const std::string& text) {
    return test::shellQuoted(text);
}

struct Outcome {
    int status = -1;
    std::string err;
};

using Listing = std::map<std::string, std::string>;

Listing listing(const std::string& directory) {
    return test::directoryListing(directory);
}

// The program is copied into bin/ (set.ini is read beside it); the examples are the working directory.
class Unattended : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string exe = environment("PELLISOR_EXE");
        examples_ = environment("PELLISOR_EXAMPLES");
        ASSERT_FALSE(exe.empty()) << "PELLISOR_EXE names the program under test";
        ASSERT_FALSE(examples_.empty()) << "PELLISOR_EXAMPLES names the examples directory";
        fs::create_directory(bin());
        fs::copy_file(exe, bin() + "/pellisor");
        writeBytes(bin() + "/set.ini", "");
        useWorkDirectory(dir.file("work"));
    }

    void useWorkDirectory(const std::string& path) {
        work_ = path;
        fs::create_directories(work_);
        for (const auto& entry : fs::directory_iterator(examples_)) {
            const std::string name = entry.path().filename().string();
            // The files only: the generators' folder and scripts are no input of the program.
            if (!entry.is_regular_file() || name.find(".py") != std::string::npos) continue;
            fs::copy_file(entry.path(), work_ + "/" + name, fs::copy_options::overwrite_existing);
        }
        // A script of many vectors, so that its results file is larger than the smallest size limit.
        std::string script;
        for (int k = 0; k < 200; ++k)
            script += "0:" + std::to_string(k) + " 1:" + std::to_string(255 - k) + "\n";
        writeBytes(workFile("long.csd"), script);
    }

    std::string bin() const { return dir.file("bin"); }
    std::string workFile(const std::string& name) const { return work_ + "/" + name; }

    Outcome run(const std::vector<std::string>& arguments, const std::string& prefix = "") const {
        std::string command = "(cd " + quoted(work_) + " && " + prefix + " " + quoted(bin() + "/pellisor");
        for (const std::string& argument : arguments)
            command += " " + quoted(argument);
        command += " </dev/null >/dev/null 2>" + quoted(dir.file("stderr")) + ")";
        Outcome outcome;
        outcome.status = runCommand(command).status;
        outcome.err = readBytes(dir.file("stderr"));
        return outcome;
    }

    // The message of a write that failed for the system's reason.
    std::string writeError(const std::string& name, int errorNumber) const {
        return "pellisor: Soubor nelze zapsat: " + fs::canonical(work_).string() + "/" + name + " (" +
               std::strerror(errorNumber) + ")\n";
    }

    test::TempDir dir;
    std::string examples_;
    std::string work_;
};

// Each file an unattended run writes, with the arguments that write it.
struct Write {
    const char* target;
    std::vector<std::string> arguments;
};

const std::vector<Write>& writes() {
    static const std::vector<Write> kWrites{
        {"median3x3.ps", {"median3x3.chr", "median3x3.ini", "-opt", "-o:ps", "-x"}},
        {"median3x3.dot", {"median3x3.chr", "-o:dot", "-x"}},
        {"median3x3.vhd", {"median3x3.chr", "-o:vhd", "-x"}},
        {"median3x3.bmp", {"median3x3.chr", "-o:bmp", "-x"}},
        {"median3x3.jpg", {"median3x3.chr", "-o:jpg", "-x"}},
        {"adder.tst", {"adder.chr", "adder.ini", "long.csd", "-s", "-x"}},
        {"median3x3.flt.bmp", {"median3x3.chr", "median3x3.ini", "-f:pattern64.bmp", "-x"}},
    };
    return kWrites;
}

// A directory made read-only while it lives, so that the temporary directory can be removed after.
class ReadOnly {
public:
    explicit ReadOnly(std::string path) : path_(std::move(path)) { ::chmod(path_.c_str(), 0555); }
    ~ReadOnly() { ::chmod(path_.c_str(), 0755); }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

private:
    std::string path_;
};

constexpr const char* kOldBytes = "the file as it was\n";

// Without the capability to override file modes root writes anywhere; the program is run without it.
std::string withoutOverride() {
    if (::geteuid() != 0) return "";
    return test::haveProgram("setpriv") ? "setpriv --bounding-set=-dac_override,-dac_read_search" : "?";
}

TEST_F(Unattended, EveryWriteWorksWhereNothingStandsInTheWay) {
    for (const Write& write : writes()) {
        const Outcome outcome = run(write.arguments);
        EXPECT_EQ(0, outcome.status) << write.target << ": " << outcome.err;
        EXPECT_EQ("", outcome.err) << write.target;
        EXPECT_GT(fs::file_size(workFile(write.target)), 512u) << write.target;
    }
}

TEST_F(Unattended, AReadOnlyDirectoryKeepsItsFiles) {
    const std::string prefix = withoutOverride();
    if (prefix == "?") GTEST_SKIP() << "setpriv is needed to run without root's override";
    for (const Write& write : writes())
        writeBytes(workFile(write.target), kOldBytes);
    const Listing before = listing(work_);
    {
        const ReadOnly guard(work_);
        for (const Write& write : writes()) {
            const Outcome outcome = run(write.arguments, prefix);
            EXPECT_EQ(1, outcome.status) << write.target;
            EXPECT_EQ(writeError(write.target, EACCES), outcome.err) << write.target;
        }
    }
    EXPECT_EQ(before, listing(work_));
}

TEST_F(Unattended, AReadOnlyFileIsNotReplaced) {
    const std::string prefix = withoutOverride();
    if (prefix == "?") GTEST_SKIP() << "setpriv is needed to run without root's override";
    for (const Write& write : writes()) {
        writeBytes(workFile(write.target), kOldBytes);
        ASSERT_EQ(0, ::chmod(workFile(write.target).c_str(), 0444));
    }
    const Listing before = listing(work_);
    for (const Write& write : writes()) {
        const Outcome outcome = run(write.arguments, prefix);
        EXPECT_EQ(1, outcome.status) << write.target;
        EXPECT_EQ(writeError(write.target, EACCES), outcome.err) << write.target;
    }
    EXPECT_EQ(before, listing(work_));
}

TEST_F(Unattended, ADirectoryInThePlaceOfTheFileStays) {
    for (const Write& write : writes())
        fs::create_directory(workFile(write.target));
    const Listing before = listing(work_);
    for (const Write& write : writes()) {
        const Outcome outcome = run(write.arguments);
        EXPECT_EQ(1, outcome.status) << write.target;
        EXPECT_EQ(writeError(write.target, EISDIR), outcome.err) << write.target;
    }
    EXPECT_EQ(before, listing(work_));
}

TEST_F(Unattended, AFullDiskKeepsTheOldFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
    const test::Tmpfs disk(dir.file("disk"));
    if (!disk.mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here: " << std::strerror(errno);
    useWorkDirectory(dir.file("disk"));
    for (const Write& write : writes())
        writeBytes(workFile(write.target), kOldBytes);
    disk.fill();
    const Listing before = listing(work_);
    for (const Write& write : writes()) {
        const Outcome outcome = run(write.arguments);
        EXPECT_EQ(1, outcome.status) << write.target;
        EXPECT_EQ(writeError(write.target, ENOSPC), outcome.err) << write.target;
    }
    EXPECT_EQ(before, listing(work_));
}

TEST_F(Unattended, TheFileSizeLimitEndsTheWriteNotTheProgram) {
    for (const Write& write : writes())
        writeBytes(workFile(write.target), kOldBytes);
    const Listing before = listing(work_);
    for (const Write& write : writes()) {
        // One block of 512 bytes, which every file written here exceeds.
        const Outcome outcome = run(write.arguments, "ulimit -f 1 &&");
        EXPECT_EQ(1, outcome.status) << write.target;
        EXPECT_EQ(writeError(write.target, EFBIG), outcome.err) << write.target;
    }
    EXPECT_EQ(before, listing(work_));
}

// --- broken pictures ---

// A JPEG of the gate-symbol sheet's shape and its size fields, for patching.
struct Sheet {
    std::string bytes;
    std::size_t frame = 0;  // the SOF0 marker
};

Sheet symbolSheet() {
    RgbImage image{2550, 41, {}};
    image.pixels.resize(image.stride() * 41);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(i * 37 % 251);
    Sheet sheet{encodeJpeg(image)};
    sheet.frame = sheet.bytes.find("\xFF\xC0");
    return sheet;
}

std::string withSize(std::string jpeg, std::size_t frame, std::uint16_t width, std::uint16_t height) {
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

TEST_F(Unattended, ABrokenSymbolSheetIsReportedOnceAndTheBlocksStayBoxes) {
    // The layout assigns the functions that have symbols.
    const std::vector<std::string> kDrawing{"median3x3.chr", "median3x3.ini", "-o:bmp", "-x"};
    writeBytes(bin() + "/set.ini", "[Zobrazeni]\nznacky=1\n");
    ASSERT_EQ(0, run(kDrawing).status);
    const std::string boxes = readBytes(workFile("median3x3.bmp"));

    const Sheet sheet = symbolSheet();
    ASSERT_NE(std::string::npos, sheet.frame);
    writeBytes(bin() + "/hradla.jpg", sheet.bytes);
    ASSERT_EQ(0, run(kDrawing).status);
    EXPECT_TRUE(boxes != readBytes(workFile("median3x3.bmp"))) << "a sound sheet draws symbols";

    std::string badPrecision = sheet.bytes;
    badPrecision[sheet.frame + 4] = 99;  // bits per sample
    const std::map<std::string, std::string> broken{
        {"empty", ""},
        {"not a JPEG", "GIF89a and not a picture at all"},
        {"cut in the header", sheet.bytes.substr(0, 300)},
        {"cut in the data", sheet.bytes.substr(0, sheet.bytes.size() / 2)},
        {"corrupt frame header", badPrecision},
        {"enormous size", withSize(sheet.bytes, sheet.frame, 65000, 65000)},
        {"large size, little data", withSize(sheet.bytes, sheet.frame, 16000, 16000)},
    };
    for (const auto& [what, bytes] : broken) {
        writeBytes(bin() + "/hradla.jpg", bytes);
        fs::remove(workFile("median3x3.bmp"));
        const Outcome outcome = run(kDrawing);
        EXPECT_EQ(0, outcome.status) << what << ": " << outcome.err;
        EXPECT_EQ(0u, outcome.err.rfind("pellisor: Obrázek JPEG nelze načíst: ", 0))
            << what << ": " << outcome.err;
        EXPECT_EQ(outcome.err.size() - 1, outcome.err.find('\n')) << what << ": one line\n" << outcome.err;
        EXPECT_TRUE(boxes == readBytes(workFile("median3x3.bmp")))
            << what << ": not the picture without symbols";
    }
}

// A 24-bit BMP file of the given size whose pixel rows are `fill`, cut after `keep` bytes.
std::string bitmapFile(std::int32_t width, std::int32_t height, std::uint8_t fill = 0x80,
                       std::size_t keep = std::string::npos) {
    const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) / 4 * 4;
    const std::uint32_t data = stride * std::uint32_t(height < 0 ? -height : height);
    std::string bytes = "BM";
    const auto put = [&](std::uint32_t value, int size) {
        for (int k = 0; k < size; ++k)
            bytes += char((value >> (8 * k)) & 0xFF);
    };
    put(54 + data, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(std::uint32_t(width), 4);
    put(std::uint32_t(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(data, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    bytes += std::string(keep == std::string::npos ? data : 0, char(fill));
    return bytes.substr(0, keep);
}

TEST_F(Unattended, FilterPicturesThatCannotBeReadEndTheRunWithAReason) {
    const std::string whole = readBytes(workFile("pattern64.bmp"));
    struct Bad {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Bad bad[] = {
        {"text.bmp", "this is not a picture\n", ""},
        {"empty.bmp", "", ""},
        {"header.bmp", whole.substr(0, 30), " (soubor je zkrácený)"},
        {"half.bmp", whole.substr(0, whole.size() / 2), " (soubor je zkrácený)"},
        {"huge.bmp", bitmapFile(100000, 100000, 0, 54), " (obrázek 100000x100000 je příliš velký)"},
        // Large pictures are read; this one ends in its 11th row.
        {"tall.bmp", bitmapFile(8000, -8000, 0, 54 + 240000), " (soubor je zkrácený)"},
        {"nothing.bmp", bitmapFile(0, 0), " (obrázek nemá žádný pixel)"},
    };
    for (const Bad& picture : bad) {
        writeBytes(workFile(picture.name), picture.bytes);
        const Listing before = listing(work_);
        const Outcome outcome =
            run({"median3x3.chr", "median3x3.ini", std::string("-f:") + picture.name, "-x"});
        EXPECT_EQ(1, outcome.status) << picture.name;
        EXPECT_EQ(std::string("pellisor: Obrázek nelze načíst: ") + picture.name + picture.reason + "\n",
                  outcome.err);
        EXPECT_EQ(before, listing(work_)) << picture.name;
    }
}

// An 8-bit run-length BMP of the given size whose runs end at once: a few bytes for any size.
std::string emptyRunLengthFile(std::uint32_t width, std::uint32_t height) {
    std::string bytes = "BM";
    const auto put = [&](std::uint32_t value, int size) {
        for (int k = 0; k < size; ++k)
            bytes += char((value >> (8 * k)) & 0xFF);
    };
    for (const std::uint32_t field : {60u, 0u, 58u, 40u, width, height})
        put(field, 4);
    put(1, 2);
    put(8, 2);
    for (const std::uint32_t field : {1u, 2u, 0u, 0u, 1u, 0u, 0u})  // one black palette entry
        put(field, 4);
    return bytes + std::string("\0\1", 2);
}

TEST_F(Unattended, PicturesThatDoNotFitInMemoryAreRefusedWithAReason) {
    // 512 MB of address space: the program needs about 150 MB.
    const std::string limit = "ulimit -v 524288;";
    const Outcome small = run({"median3x3.chr", "median3x3.ini", "-f:pattern64.bmp", "-x"}, limit);
    if (small.status != 0) GTEST_SKIP() << "a sanitizer build does not run in 512 MB: " << small.err;

    // 1.2 GB does not fit; 243 MB fits once but not twice, so its filtered picture does not.
    writeBytes(workFile("huge.bmp"), emptyRunLengthFile(20000, 20000));
    writeBytes(workFile("large.bmp"), emptyRunLengthFile(9000, 9000));
    fs::remove(workFile("median3x3.flt.bmp"));
    const Listing before = listing(work_);
    const Outcome huge = run({"median3x3.chr", "median3x3.ini", "-f:huge.bmp", "-x"}, limit);
    EXPECT_EQ(1, huge.status);
    EXPECT_EQ("pellisor: Obrázek nelze načíst: huge.bmp (obrázek 20000x20000 se nevejde do paměti)\n",
              huge.err);
    const Outcome large = run({"median3x3.chr", "median3x3.ini", "-f:large.bmp", "-x"}, limit);
    EXPECT_EQ(1, large.status);
    EXPECT_EQ("pellisor: Výsledný obrázek 9000x9000 se nevejde do paměti\n", large.err);
    EXPECT_EQ(before, listing(work_));
}

TEST_F(Unattended, PicturesBelowThreeByThreeComeOutRedWithoutEvaluating) {
    // Every evaluation of this circuit fails: a multiplexer in a circuit of two-input blocks.
    writeBytes(bin() + "/set.ini", "[Funkce]\nf0=15\n");
    writeBytes(workFile("mux.chr"), "{9,1,1,1,2,1,-1}([9]0,1,0)(9)\n");
    writeBytes(workFile("three.bmp"), bitmapFile(3, 3));
    const Outcome evaluated = run({"mux.chr", "-f:three.bmp", "-x"});
    EXPECT_EQ(1, evaluated.status);
    EXPECT_EQ("pellisor: MUX pro 2 vstup. hradla\n", evaluated.err);
    EXPECT_FALSE(fs::exists(workFile("mux.flt.bmp")));

    for (const auto& [width, height] :
         {std::pair{1, 1}, std::pair{2, 2}, std::pair{2, -2}, std::pair{7, 1}}) {
        writeBytes(workFile("small.bmp"), bitmapFile(width, height));
        const Outcome outcome = run({"mux.chr", "-f:small.bmp", "-x"});
        ASSERT_EQ(0, outcome.status) << width << "x" << height << ": " << outcome.err;
        EXPECT_EQ("", outcome.err);
        const std::string result = readBytes(workFile("mux.flt.bmp"));
        ASSERT_GE(result.size(), 54u);
        const auto field = [&](std::size_t at) {
            std::int32_t value = 0;
            std::memcpy(&value, result.data() + at, 4);
            return value;
        };
        EXPECT_EQ(width, field(18));
        EXPECT_EQ(std::abs(height), std::abs(field(22)));
        EXPECT_EQ(24, result[28]);
        const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
        const std::size_t pixelsAt = std::size_t(field(10));
        ASSERT_GE(result.size(), pixelsAt + stride * std::size_t(std::abs(height)));
        for (std::size_t row = 0; row < std::size_t(std::abs(height)); ++row) {
            for (std::size_t x = 0; x < std::size_t(width); ++x) {
                const std::size_t at = pixelsAt + row * stride + x * 3;
                EXPECT_EQ(std::string("\x00\x00\xFF", 3), result.substr(at, 3))
                    << width << "x" << height << " at " << x;
            }
        }
    }
}

}  // namespace
}  // namespace pellisor
