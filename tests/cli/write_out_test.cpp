// End-to-end runs of "-w:" (the circuit as it is now, with its layout) and "-auto", and the lists of
// options in the usage text and the README.

#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
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

// Every "x" and "y" of the entry sections of a layout file, by section.
std::map<std::string, std::pair<int, int>> positions(const std::string& layout) {
    std::map<std::string, std::pair<int, int>> found;
    std::string section;
    std::size_t start = 0;
    while (start < layout.size()) {
        std::size_t end = layout.find('\n', start);
        if (end == std::string::npos) end = layout.size();
        std::string line = layout.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("[b")) section = line.substr(1, line.size() - 2);
        if (line.starts_with("[") && !line.starts_with("[b")) section.clear();
        if (!section.empty() && line.starts_with("x=")) found[section].first = std::stoi(line.substr(2));
        if (!section.empty() && line.starts_with("y=")) found[section].second = std::stoi(line.substr(2));
        start = end + 1;
    }
    return found;
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
    expectRun({"median3x3.chr", "-i", "-w:grid.chr", "-x"});
    expectRun({"median3x3.chr", "-i", "-auto", "-w:auto.chr", "-x"});
    EXPECT_EQ(readBytes(workFile("grid.chr")), readBytes(workFile("auto.chr")));
    const auto grid = positions(readBytes(workFile("grid.ini")));
    const auto placed = positions(readBytes(workFile("auto.ini")));
    ASSERT_EQ(46U, placed.size());
    EXPECT_NE(grid, placed);
    // The output stands in a column of its own, right of every block.
    for (int block = 9; block < 45; ++block)
        EXPECT_LT(placed.at("b" + std::to_string(block)).first, placed.at("b45").first) << block;

    // The placement travels with the layout, and into the picture.
    expectRun({"auto.chr", "-i", "-w:auto2.chr", "-o:bmp", "-x"});
    EXPECT_EQ(placed, positions(readBytes(workFile("auto2.ini"))));
    expectRun({"grid.chr", "-i", "-o:bmp", "-x"});
    EXPECT_NE(readBytes(workFile("grid.bmp")), readBytes(workFile("auto.bmp")));
}

// An option as both lists name it: one that takes a value ("-f:PICTURE", "-w:SOUBOR") up to its colon.
std::string optionName(const std::string& text) {
    const std::size_t colon = text.find(':');
    const bool takesValue = colon != std::string::npos && colon + 1 < text.size() &&
                            std::isupper(static_cast<unsigned char>(text[colon + 1]));
    return takesValue ? text.substr(0, colon + 1) : text;
}

// Every option of the README's table is in the usage text, and every option the usage text lists is
// in the table.
TEST_F(Cli, TheUsageTextAndTheReadmeListTheSameOptions) {
    const std::string readme = readBytes(environment("PELLISOR_EXAMPLES") + "/../README.md");
    std::set<std::string> documented;
    for (std::size_t row = readme.find("\n| `-"); row != std::string::npos;
         row = readme.find("\n| `-", row + 1)) {
        const std::string firstCell = readme.substr(row + 3, readme.find(" | ", row + 3) - row - 3);
        for (std::size_t tick = firstCell.find('`'); tick != std::string::npos;
             tick = firstCell.find('`', firstCell.find('`', tick + 1) + 1)) {
            documented.insert(
                optionName(firstCell.substr(tick + 1, firstCell.find('`', tick + 1) - tick - 1)));
        }
    }
    const Outcome help = run({"--help"});
    std::set<std::string> listed;
    for (std::size_t line = help.out.find("\n  -"); line != std::string::npos;
         line = help.out.find("\n  -", line + 1)) {
        listed.insert(optionName(help.out.substr(line + 3, help.out.find(' ', line + 3) - line - 3)));
    }
    EXPECT_TRUE(documented.contains("-w:"));
    EXPECT_TRUE(documented.contains("-auto"));
    EXPECT_TRUE(documented.contains("-o:jpg"));
    EXPECT_EQ(documented, listed);
}

}  // namespace
}  // namespace pellisor
