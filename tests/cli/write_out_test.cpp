// End-to-end runs of "-w:" (the circuit as it is now, with its layout) and "-auto".

#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using namespace cli;

// The lines before the chromosome line, the description and the names, whatever their line ends.
std::string commentLines(std::string bytes) {
    std::erase(bytes, '\r');
    return bytes.substr(0, bytes.find("\n{") + 1);
}

std::string afterFirstLine(const std::string& text) {
    return text.substr(text.find('\n'));
}

class WriteOut : public Cli {
protected:
    void SetUp() override {
        Cli::SetUp();
        // A decimal script for the nine-input median: random neighbourhoods.
        std::mt19937 rng(9);
        std::string script;
        for (int vector = 0; vector < 40; ++vector) {
            for (int input = 0; input < 9; ++input)
                script +=
                    std::to_string(input) + ":" + std::to_string(rng() % 256) + (input < 8 ? " " : "\n");
        }
        writeBytes(workFile("median.csd"), script);
    }

    void expectRun(const std::vector<std::string>& arguments) const {
        const Outcome result = run(arguments);
        ASSERT_EQ(0, result.status) << result.err;
        EXPECT_EQ("", result.err);
    }
};

TEST_F(WriteOut, TheWrittenCircuitGivesTheResultsOfTheOneRun) {
    struct Case {
        std::string name;
        std::string script;
    };
    for (const Case& c :
         {Case{"median3x3", "median.csd"}, Case{"adder", "adder.csd"}, Case{"adder", "adder.csb"}}) {
        SCOPED_TRACE(c.script);
        const std::string chr = c.name + ".chr";
        const std::string ini = c.name + ".ini";
        expectRun({chr, ini, "-opt", "-w:" + c.name + ".opt.chr", "-x"});
        expectRun({c.name + ".opt.chr", "-i", c.script, "-s", "-x"});
        expectRun({chr, ini, "-opt", c.script, "-s", "-x"});
        const std::string later = readBytes(workFile(c.name + ".opt.tst"));
        EXPECT_GT(std::count(later.begin(), later.end(), '\n'), 5);
        EXPECT_EQ(readBytes(workFile(c.name + ".tst")), later);

        // Description and names as the original has them; the line is the optimised circuit's.
        const std::string original = readBytes(workFile(chr));
        const std::string written = readBytes(workFile(c.name + ".opt.chr"));
        EXPECT_EQ(commentLines(original), commentLines(written));
        EXPECT_TRUE(written.ends_with(")\r\n"));
        // The graph shows the same connections, values and functions; only its first line names the file.
        expectRun({c.name + ".opt.chr", "-i", "-o:dot", "-x"});
        expectRun({chr, ini, "-opt", "-o:dot", "-x"});
        const std::string graph = readBytes(workFile(c.name + ".dot"));
        EXPECT_EQ(afterFirstLine(graph), afterFirstLine(readBytes(workFile(c.name + ".opt.dot"))));
        if (c.name == "median3x3") {
            EXPECT_NE(original, written);  // the elimination rerouted connections
        }

        // Written again from what was written, nothing changes: the files are a fixed point.
        expectRun({c.name + ".opt.chr", "-i", "-w:" + c.name + ".again.chr", "-x"});
        EXPECT_EQ(written, readBytes(workFile(c.name + ".again.chr")));
        EXPECT_EQ(readBytes(workFile(c.name + ".opt.ini")), readBytes(workFile(c.name + ".again.ini")));
    }
}

TEST_F(WriteOut, NeverReplacesAFileTheRunRead) {
    const std::string chr = readBytes(workFile("median3x3.chr"));
    const std::string ini = readBytes(workFile("median3x3.ini"));
    Outcome result = run({"median3x3.chr", "-i", "-opt", "-w:median3x3.chr", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("median3x3.chr")) << result.err;

    // The layout beside the target was read, though the target was not.
    fs::copy_file(workFile("median3x3.chr"), workFile("copy.chr"));
    result = run({"copy.chr", "median3x3.ini", "-w:median3x3.chr", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("median3x3.ini")) << result.err;
    EXPECT_EQ(chr, readBytes(workFile("median3x3.chr")));
    EXPECT_EQ(ini, readBytes(workFile("median3x3.ini")));

    // Before a chromosome, without a name, or with a name whose layout would be itself.
    const std::set<std::string> before = workFiles();
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"-w:x.chr", "-x"}, {"adder.chr", "-w:", "-x"}, {"adder.chr", "-w:x.ini", "-x"}}) {
        result = run(arguments);
        EXPECT_EQ(1, result.status) << arguments[0];
        EXPECT_TRUE(result.err.starts_with("pellisor: Volbu -w:")) << result.err;
    }
    EXPECT_EQ(before, workFiles());
}

TEST_F(WriteOut, DashAutoPlacesTheBlocksByDepth) {
    expectRun({"median3x3.chr", "-i", "-w:grid.chr", "-o:bmp", "-x"});
    const std::string gridPicture = readBytes(workFile("median3x3.bmp"));
    expectRun({"median3x3.chr", "-i", "-auto", "-w:auto.chr", "-o:bmp", "-x"});
    EXPECT_NE(gridPicture, readBytes(workFile("median3x3.bmp")));
    EXPECT_NE(readBytes(workFile("grid.ini")), readBytes(workFile("auto.ini")));
    EXPECT_EQ(readBytes(workFile("grid.chr")), readBytes(workFile("auto.chr")));
    // The placement travels with the layout.
    expectRun({"auto.chr", "-i", "-w:auto2.chr", "-x"});
    EXPECT_EQ(readBytes(workFile("auto.ini")), readBytes(workFile("auto2.ini")));
}

}  // namespace
}  // namespace pellisor
