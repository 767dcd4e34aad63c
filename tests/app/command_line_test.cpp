#include "app/command_line.h"

#include "app/workbench.h"
#include "model/error.h"
#include "model/file_io.h"
#include "support/fake_picture_store.h"
#include "support/fake_ui.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace pellisor {
namespace {

using test::FakeUi;
using test::readBytes;
using test::writeBytes;

// Gene 1 passes in1 on, 2 is OR, 3 XOR, 5 the 8-bit sum; 0 takes in1 as well (the filter tests).
constexpr const char* kSettings = "[Funkce]\nf0=4\nf1=4\nf2=2\nf3=3\nf5=24\n";
// Block 3 (in1 of input 0) and block 5 reach no output; block 3 is a redundant gate read by block 5.
constexpr const char* kLine = "{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)";
// Nine inputs, output 0 reads the centre pixel through one in1 gate.
constexpr const char* kFilterLine = "{9,1,1,1,2,1,-1}([9]4,4,0)(9)";

// Runs in a directory of its own as the current directory, so bare names land there.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        writeBytes(dir.file("set.ini"), kSettings);
        workbench.functionAssignmentClicked();  // the silent first load of the table
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    std::string chromosome(const std::string& name, const std::string& line = kLine) {
        writeBytes(dir.file(name), "# popis\n#%i a,b,c\n#%o y\n" + line + "\n");
        return dir.file(name);
    }
    ArgumentWalk run(const std::vector<std::string>& arguments) {
        return processArguments(arguments, workbench, out, warnings);
    }
    const Block& block(std::int32_t index) const { return workbench.circuit().blocks.at(std::size_t(index)); }

    test::TempDir dir;
    FakeUi ui;
    test::FakePictureStore pictures;
    Workbench workbench{ui, pictures, dir.file("set.ini")};
    std::ostringstream out;
    std::ostringstream warnings;

private:
    std::filesystem::path previous_;
};

TEST_F(CommandLine, ABareNameIsTakenInTheCurrentDirectoryAndNamesTheOutputs) {
    chromosome("c.chr");
    run({"c.chr", "-o:jpg", "-o:bmp", "-o:ps", "-o:dot", "-o:vhd"});
    ASSERT_TRUE(workbench.circuit().hasCircuit());
    EXPECT_EQ("c.chr", workbench.fileName());
    EXPECT_EQ("Vykreslit", workbench.drawCaption());
    const std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(2U, pictures.rasterPictures.size());
    EXPECT_EQ(PictureFormat::Jpeg, pictures.rasterPictures[0].first);
    EXPECT_EQ(cwd + "/c.jpg", pictures.rasterPictures[0].second);
    EXPECT_EQ(PictureFormat::Bitmap, pictures.rasterPictures[1].first);
    EXPECT_EQ(cwd + "/c.bmp", pictures.rasterPictures[1].second);
    EXPECT_EQ(0U, readBytes(dir.file("c.ps")).rfind("%!PS", 0));
    EXPECT_EQ(0U, readBytes(dir.file("c.dot")).rfind("#c.chr\ndigraph", 0));
    EXPECT_EQ(0U, readBytes(dir.file("c.vhd")).rfind("--c.chr\n", 0));
    EXPECT_EQ("", warnings.str());
}

TEST_F(CommandLine, PathsWithADirectoryPartAreFileArgumentsAsGiven) {
    std::filesystem::create_directory(dir.file("sub"));
    chromosome("sub/a.chr");
    chromosome("b.chr");
    run({dir.file("sub/a.chr"), "-o:dot"});
    EXPECT_TRUE(fileExists(dir.file("sub/a.dot")));

    std::filesystem::current_path(dir.file("sub"));
    run({"./a.chr", "-o:ps", "../b.chr", "-o:ps"});
    EXPECT_TRUE(fileExists(dir.file("sub/a.ps")));
    EXPECT_TRUE(fileExists(dir.file("b.ps")));
    EXPECT_EQ("../b.chr", workbench.fileName());
}

TEST_F(CommandLine, OptionsBeforeAnyChromosomeDoNothingButSaySo) {
    const std::vector<std::string> options{"-o:jpg",     "-o:bmp", "-o:ps", "-o:dot", "-o:vhd",
                                           "-f:pic.bmp", "-next",  "-opt",  "-h",     "-i"};
    std::vector<std::string> arguments = options;
    arguments.push_back("-s");
    const ArgumentWalk walk = run(arguments);
    EXPECT_FALSE(walk.endRequested);
    EXPECT_FALSE(workbench.circuit().hasCircuit());
    EXPECT_TRUE(pictures.rasterPictures.empty());
    // In the window each is told and the walk goes on.
    ASSERT_EQ(options.size() + 1, ui.informations.size());
    for (std::size_t i = 0; i < options.size(); ++i) {
        EXPECT_EQ("Volbu " + options[i] + " nelze provést: není načten žádný chromozom", ui.informations[i]);
    }
    EXPECT_EQ("Volbu -s nelze provést: není zadán žádný testovací skript (.csb nebo .csd)",
              ui.informations.back());
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()), {}));  // set.ini only
    EXPECT_EQ("", warnings.str());
}

TEST_F(CommandLine, UnknownOptionsAndCapitalsAreIgnoredWithAWarning) {
    chromosome("c.chr");
    run({"c.chr", "", "-O:JPG", "-X", "-o:gif", "-", "readme.txt"});
    EXPECT_TRUE(pictures.rasterPictures.empty());
    EXPECT_EQ(
        "pellisor: neznámá volba ignorována: -O:JPG\n"
        "pellisor: neznámá volba ignorována: -X\n"
        "pellisor: neznámá volba ignorována: -o:gif\n"
        "pellisor: neznámá volba ignorována: -\n"
        "pellisor: soubor neznámého druhu ignorován: readme.txt\n",
        warnings.str());
    EXPECT_FALSE(unattendedRequested({"c.chr", "-X"}));
    EXPECT_TRUE(unattendedRequested({"-x", "c.chr"}));
}

TEST_F(CommandLine, DashXEndsTheRunButTheRestIsStillProcessed) {
    chromosome("c.chr");
    const ArgumentWalk walk = run({"-x", "c.chr", "-o:dot"});
    EXPECT_TRUE(walk.endRequested);
    EXPECT_FALSE(walk.helpShown);
    EXPECT_TRUE(fileExists(dir.file("c.dot")));
}

TEST_F(CommandLine, HelpPrintsTheUsageAndActsOnNothing) {
    chromosome("c.chr");
    const ArgumentWalk walk = run({"c.chr", "-o:dot", "--help"});
    EXPECT_TRUE(walk.helpShown);
    EXPECT_EQ(usageText(), out.str());
    EXPECT_NE(std::string::npos, out.str().find("-o:ps"));
    EXPECT_NE(std::string::npos, out.str().find("Příklady:"));
    EXPECT_FALSE(workbench.circuit().hasCircuit());
    EXPECT_FALSE(fileExists(dir.file("c.dot")));
}

TEST_F(CommandLine, TheCircuitCommandsActOnTheLoadedChromosome) {
    chromosome("c.chr");
    run({"c.chr", "-next", "-next", "-next"});
    EXPECT_EQ(1, block(0).value);
    EXPECT_EQ(1, block(1).value);
    EXPECT_EQ(0, block(2).value);

    run({"c.chr", "-opt"});
    EXPECT_EQ(0, block(5).inputs[0]);  // the reader of block 3 now reads input 0

    run({"c.chr", "-h"});
    EXPECT_FALSE(block(3).visible);
    EXPECT_FALSE(block(5).visible);
    EXPECT_TRUE(block(4).visible);
    EXPECT_EQ("Funkcnich bloku: 2", workbench.statusText());
}

TEST_F(CommandLine, TwoChromosomesAreLoadedInTurnAndTheSecondNamesTheOutputs) {
    chromosome("first.chr");
    chromosome("second.chr", "{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    run({"first.chr", "second.chr", "-o:dot"});
    EXPECT_EQ(2, workbench.circuit().inputCount);
    EXPECT_TRUE(fileExists(dir.file("second.dot")));
    EXPECT_FALSE(fileExists(dir.file("first.dot")));
}

TEST_F(CommandLine, ALayoutArgumentAndDashIApplyTheirFiles) {
    chromosome("c.chr");
    writeBytes(dir.file("other.ini"), "[Global]\nm=2\nn=2\nmaxidx=8\neval=0\n[b3]\nx=500\ny=7\nvis=0\n");
    run({"c.chr", "other.ini"});
    EXPECT_EQ("other.ini", workbench.layoutFileName());
    EXPECT_EQ(500, block(3).x);
    EXPECT_EQ(7, block(3).y);
    EXPECT_FALSE(block(3).visible);

    writeBytes(dir.file("c.ini"), "[Global]\nm=2\nn=2\nmaxidx=8\neval=0\n[b3]\nx=321\n");
    run({"c.chr", "other.ini", "-i"});
    EXPECT_EQ("", workbench.layoutFileName());
    EXPECT_EQ(321, block(3).x);
    EXPECT_TRUE(block(3).visible);

    // No layout beside the chromosome: the loader's message, and the run goes on.
    chromosome("d.chr");
    run({"d.chr", "-i", "-o:dot"});
    ASSERT_EQ(1U, ui.informations.size());
    EXPECT_EQ("Soubor " + std::filesystem::current_path().string() + "/d.ini neexistuje!",
              ui.informations[0]);
    EXPECT_TRUE(fileExists(dir.file("d.dot")));
}

TEST_F(CommandLine, ALayoutOrAScriptBeforeAnyChromosomeIsAnError) {
    writeBytes(dir.file("c.ini"), "[Global]\nm=2\n");
    writeBytes(dir.file("t.csd"), "0:1\n");
    try {
        run({"c.ini"});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string("Rozmístění c.ini nelze načíst: není načten žádný chromozom"), error.what());
    }
    try {
        run({"t.csd", "-s"});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string("Skript t.csd nelze spustit: není načten žádný chromozom"), error.what());
    }
    EXPECT_FALSE(fileExists(dir.file(".tst")));
    // A script named after the chromosome is fine.
    chromosome("c.chr");
    EXPECT_NO_THROW(run({"t.csd", "c.chr", "-s"}));
}

TEST_F(CommandLine, DashSSavesTheWholeLogBesideTheChromosome) {
    chromosome("c.chr");
    writeBytes(dir.file("t.csd"), "# dva vektory\no 0\n0:1 1:0 2:1\n0:3 1:1\n");
    writeBytes(dir.file("t.csb"), "0:1 1:0 2:1\n");
    run({"c.chr", "t.csd", "-s"});
    // Output: input 2 + (input 1 XOR input 2), 8 bits.
    EXPECT_EQ(
        "#  popis/t.csd Vstupů: 3  Výstupů: 1\n"
        "1\t0\t1\t\t2\n"
        "3\t1\t1\t\t3\n",
        readBytes(dir.file("c.tst")));
    run({"c.chr", "t.csd", "t.csb", "-s"});
    EXPECT_EQ("#  popis/t.csb Vstupů: 3  Výstupů: 1\n101\t5\t2\t1\n", readBytes(dir.file("c.tst")));
    EXPECT_EQ(workbench.logLines().size(), 2U);
}

TEST_F(CommandLine, OneArgumentMayBeOfSeveralKinds) {
    // Loaded as a chromosome and remembered as the script: the script then reads chromosome text.
    chromosome("x.csd.chr");
    try {
        run({"x.csd.chr", "-s"});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string("Chybny znak v souboru #01"), error.what());
    }
    EXPECT_TRUE(workbench.circuit().hasCircuit());
}

TEST_F(CommandLine, AnErrorEndsTheWalk) {
    chromosome("c.chr");
    EXPECT_THROW(run({"c.chr", "missing.chr", "-o:dot"}), Error);
    EXPECT_FALSE(fileExists(dir.file("c.dot")));
    EXPECT_FALSE(fileExists(dir.file("missing.dot")));
    try {
        run({"missing.chr"});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(kCannotOpenFile), error.what());
    }
    chromosome("bad.chr", "{3,1,2,2,2,1,-1}([3]0,1,1)");
    try {
        run({"bad.chr", "-o:dot"});
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(kBadChromosome), error.what());
    }
    EXPECT_FALSE(fileExists(dir.file("bad.dot")));
}

TEST_F(CommandLine, DashFFiltersThePictureThroughTheWorkbench) {
    chromosome("f.chr", kFilterLine);
    pictures.bitmap.width = 4;
    pictures.bitmap.height = 3;
    for (int n = 0; n < 36; ++n)
        pictures.bitmap.pixels.push_back(static_cast<std::uint8_t>(n * 7));
    run({"f.chr", "-f:pic.bmp"});
    ASSERT_EQ(1U, pictures.savedBitmaps.size());
    EXPECT_EQ(std::filesystem::current_path().string() + "/f.flt.bmp", pictures.savedBitmaps[0].first);
    const RgbImage& result = pictures.savedBitmaps[0].second;
    ASSERT_EQ(4, result.width);
    ASSERT_EQ(3, result.height);
    EXPECT_EQ(255, result.pixels[0]);  // the red frame
    EXPECT_EQ(0, result.pixels[1]);
    // Interior pixel (1, 1) and (2, 1) are copied from the source.
    for (std::size_t k = 15; k < 21; ++k)
        EXPECT_EQ(pictures.bitmap.pixels[k], result.pixels[k]) << k;

    // Another circuit cannot be a 3x3 filter.
    chromosome("c.chr");
    EXPECT_THROW(run({"c.chr", "-f:pic.bmp"}), Error);
    // A picture that cannot be read ends the walk with its error, and nothing is written.
    pictures.unreadable = true;
    std::ostringstream ignored;
    EXPECT_THROW(processArguments({"f.chr", "-f:pic.bmp"}, workbench, ignored, ignored), Error);
    EXPECT_EQ(1U, pictures.savedBitmaps.size());
}

}  // namespace
}  // namespace pellisor
