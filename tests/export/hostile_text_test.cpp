// Texts a user can put into the files the exports are made from: the description and the names of a
// .chr file and the function labels of set.ini, with parentheses, backslashes, quotes, line breaks, bytes
// that are not UTF-8, attempts to break out into PostScript or DOT, and a megabyte of text. The real
// readers must take every export without an error, show the texts as texts, and run none of them.

#include "app/settings.h"
#include "eval/function_assignment.h"
#include "export/dot_writer.h"
#include "export/eps_writer.h"
#include "export/vhdl_writer.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/chromosome_writer.h"
#include "model/settings_file.h"
#include "render/geometry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::haveProgram;
using test::readBytes;
using test::runCommand;
using test::TempDir;
using test::writeBytes;

constexpr const char* kLine =
    "{3,1,1,6,2,1,-1}([3]0,1,0)([4]0,1,1)([5]1,2,2)([6]2,0,3)([7]3,4,4)([8]5,6,5)(8)";
const std::string kMegabyte(1 << 20, 'M');

// Function labels of the six blocks (genes 0 to 5 are functions 1 to 6).
std::vector<std::string> labels(const std::string& markerPath) {
    return {
        ") show (PWNED-LABEL) = quit (", ") (" + markerPath + ") (w) file closefile (",
        "\"]; x -> y [label=\"",         "%!PS-Adobe-3.0 (unbalanced",
        "ends in a backslash\\",         "back\\slash \\\" and \\\\",
    };
}

// The circuit of a hostile .chr file, read by the loader, with its settings and texts.
struct Hostile {
    TempDir dir;
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    std::string description;
    std::unique_ptr<SettingsFile> settings;

    explicit Hostile(const std::string& extraName = "") {
        std::string chr = "# ) show (PWNED-CAPTION) = quit (\r\n";
        chr += "#%x \\ \"]; a -> b [label=\" %!\r\n";  // "#%" and another character: description too
        chr += "# \xe9\xff\x80 (\\\r\n";               // not UTF-8, an open parenthesis, a backslash
        chr += "#%i a(,)show(PWNED-NAME)=quit(,\"];x->y[label=\"\n";
        chr += "#%o n\xff" + extraName + "\\\n";
        chr += std::string(kLine) + "\n";
        writeBytes(dir.file("hostile.chr"), chr);

        std::string ini = "[Funkce]\n";
        for (int gene = 0; gene < 6; ++gene)
            ini += "f" + std::to_string(gene) + "=" + std::to_string(gene + 1) + "\n";
        ini += "[DOT]\n";
        const auto texts = labels(dir.file("pwned"));
        for (std::size_t k = 0; k < texts.size(); ++k)
            ini += "f" + std::to_string(k + 1) + "_label=" + texts[k] + "\n";
        writeBytes(dir.file("set.ini"), ini);
        settings = std::make_unique<SettingsFile>(dir.file("set.ini"));

        std::string fileName;
        const auto loaded = loadChromosomeFile(dir.file("hostile.chr"), circuit, fileName, nullptr);
        EXPECT_TRUE(loaded);
        if (!loaded) return;
        description = loaded->description;
        parseChromosome(loaded->text, ParseMode::Draw, circuit);
        placeOnGrid(circuit, defaultSpacingTexts());
        assignment.loadAssignment(*settings);
        options.functionLabels = true;
        options.blockNumbers = true;
    }
};

TEST(HostileTexts, TheLoaderKeepsThemAsTheyAre) {
    const Hostile hostile;
    EXPECT_EQ(" ) show (PWNED-CAPTION) = quit (%x \\ \"]; a -> b [label=\" %! \xe9\xff\x80 (\\",
              hostile.description);
    EXPECT_EQ((std::vector<std::string>{"a(", ")show(PWNED-NAME)=quit(", "\"];x->y[label=\""}),
              hostile.circuit.inputNames);
    EXPECT_EQ(std::vector<std::string>{"n\xff\\"}, hostile.circuit.outputNames);
    EXPECT_EQ(labels(hostile.dir.file("pwned"))[1], hostile.settings->readString("DOT", "f2_label", ""));
}

std::string gs(const std::string& arguments) {
    return "gs -q -dBATCH -dNOPAUSE " + arguments;
}

TEST(HostileTexts, GhostscriptShowsThemAndRunsNone) {
    if (!haveProgram("gs")) GTEST_SKIP() << "gs is not installed";
    Hostile hostile;
    writeBytes(hostile.dir.file("hostile.eps"),
               buildEps(hostile.circuit, hostile.assignment, hostile.options, hostile.description,
                        readFunctionLabels(*hostile.settings, hostile.assignment)));
    // A megabyte in one string.
    writeBytes(hostile.dir.file("big.eps"),
               buildEps(hostile.circuit, hostile.assignment, hostile.options, "(" + kMegabyte + "\\",
                        readFunctionLabels(*hostile.settings, hostile.assignment)));

    // Nothing is printed: a text that escaped its string would print its marker with "=".
    const auto safe = runCommand(gs("-dSAFER -sDEVICE=nullpage '" + hostile.dir.file("hostile.eps") + "' '" +
                                    hostile.dir.file("big.eps") + "'"));
    EXPECT_EQ(0, safe.status) << safe.output;
    EXPECT_EQ("", safe.output);

    // Without SAFER a text that escaped could write files; it writes none, and every text is shown.
    const auto shown =
        runCommand(gs("-dNOSAFER -sDEVICE=txtwrite -sOutputFile='" + hostile.dir.file("text.txt") + "' '" +
                      hostile.dir.file("hostile.eps") + "'"));
    EXPECT_EQ(0, shown.status) << shown.output;
    EXPECT_EQ("", shown.output);
    EXPECT_FALSE(std::filesystem::exists(hostile.dir.file("pwned")));
    const std::string text = readBytes(hostile.dir.file("text.txt"));
    for (const std::string& expected :
         {std::string(") show (PWNED-LABEL) = quit ("),
          ") (" + hostile.dir.file("pwned") + ") (w) file closefile (", std::string("\"]; x -> y [label=\""),
          std::string("%!PS-Adobe-3.0 (unbalanced"), std::string("ends in a backslash\\"),
          std::string("back\\slash \\\" and \\\\"), std::string("a("), std::string(")show(PWNED-NAME)=quit("),
          std::string(" ) show (PWNED-CAPTION) = quit (%x \\ \"]; a -> b")}) {
        EXPECT_NE(std::string::npos, text.find(expected)) << expected << "\nin\n" << text;
    }
}

// The texts of an SVG picture, entities decoded.
std::vector<std::string> svgTexts(const std::string& svg) {
    std::vector<std::string> texts;
    for (std::size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
        const std::size_t start = svg.find('>', at) + 1;
        const std::string raw = svg.substr(start, svg.find("</text>", start) - start);
        std::string text;
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] != '&') {
                text += raw[k];
                continue;
            }
            const std::size_t end = raw.find(';', k);
            const std::string entity = raw.substr(k + 1, end - k - 1);
            if (entity == "amp")
                text += '&';
            else if (entity == "lt")
                text += '<';
            else if (entity == "gt")
                text += '>';
            else if (entity == "quot")
                text += '"';
            else if (entity == "apos")
                text += '\'';
            else if (entity == "#160")
                text += ' ';
            else if (entity[0] == '#')
                text += static_cast<char>(std::stoi(entity.substr(1)));
            k = end;
        }
        texts.push_back(text);
    }
    return texts;
}

bool validUtf8(const std::string& text) {
    for (std::size_t k = 0; k < text.size();) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const std::size_t length = byte < 0x80    ? 1
                                   : byte >= 0xF0 ? 4
                                   : byte >= 0xE0 ? 3
                                   : byte >= 0xC2 ? 2
                                                  : 0;
        if (length == 0 || k + length > text.size()) return false;
        for (std::size_t c = 1; c < length; ++c) {
            if ((static_cast<unsigned char>(text[k + c]) & 0xC0) != 0x80) return false;
        }
        k += length;
    }
    return true;
}

TEST(HostileTexts, GraphvizShowsThemAsLabelsAndMakesNoOtherNodes) {
    if (!haveProgram("dot")) GTEST_SKIP() << "Graphviz dot is not installed";
    Hostile hostile(kMegabyte);
    writeBytes(hostile.dir.file("hostile.dot"),
               buildDot(hostile.circuit, hostile.assignment, false, hostile.dir.file("a\nb\".chr"),
                        readFunctionStyles(*hostile.settings, hostile.assignment)));
    const auto result = runCommand("dot -Tsvg -o '" + hostile.dir.file("hostile.svg") + "' '" +
                                   hostile.dir.file("hostile.dot") + "'");
    ASSERT_EQ(0, result.status) << result.output;
    EXPECT_EQ("", result.output);
    const std::string svg = readBytes(hostile.dir.file("hostile.svg"));
    EXPECT_TRUE(validUtf8(svg));

    const auto texts = svgTexts(svg);
    const std::set<std::string> shown(texts.begin(), texts.end());
    const std::string replacement = "\xEF\xBF\xBD";
    for (const std::string& expected :
         {std::string(") show (PWNED-LABEL) = quit ("),
          ") (" + hostile.dir.file("pwned") + ") (w) file closefile (", std::string("\"]; x -> y [label=\""),
          std::string("%!PS-Adobe-3.0 (unbalanced"), std::string("ends in a backslash\\"), std::string("a("),
          std::string(")show(PWNED-NAME)=quit("), std::string("\"];x->y[label=\"")}) {
        EXPECT_EQ(1u, shown.count(expected)) << expected;
    }
    // The output name: a stray byte shows as the replacement character; a megabyte is cut short.
    std::string outputName;
    for (const std::string& text : texts) {
        if (text.rfind("n" + replacement + "MMM", 0) == 0) outputName = text;
    }
    ASSERT_FALSE(outputName.empty());
    EXPECT_LE(outputName.size(), 1000u);
    EXPECT_EQ("\xE2\x80\xA6", outputName.substr(outputName.size() - 3));

    // Three inputs, six blocks, one output, and no node or edge that a label made up.
    std::size_t nodes = 0;
    for (std::size_t at = svg.find("class=\"node\""); at != std::string::npos;
         at = svg.find("class=\"node\"", at + 1))
        ++nodes;
    EXPECT_EQ(10u, nodes);
    for (const char* made : {"<title>x</title>", "<title>y</title>", "<title>a</title>", "<title>b</title>",
                             "<title>x&#45;&gt;y</title>"}) {
        EXPECT_EQ(std::string::npos, svg.find(made)) << made;
    }
}

TEST(HostileTexts, VhdlTakesNoneButTheFileNameAndKeepsThatInItsComment) {
    Hostile hostile;
    const std::string name = "/d/x\nend main;\r\v\f-- \"\xff.chr";
    const std::string withTexts = buildVhdl(hostile.circuit, name);
    Chromosome plain = hostile.circuit;
    plain.inputNames.clear();
    plain.outputNames.clear();
    EXPECT_EQ(buildVhdl(plain, name), withTexts);
    EXPECT_EQ(std::string("--x end main;   -- \"\xff.chr\nlibrary ieee;\n"),
              withTexts.substr(0, withTexts.find("use ")));
}

TEST(HostileTexts, LineBreaksInTheDescriptionCannotAddLinesToTheChrFile) {
    TempDir dir;
    const std::string path = dir.file("c.chr");
    // Pasted text with line breaks that would read back as a name list and a chromosome of its own.
    const std::string description = "first\n#%i q,r\r\n{1,1,1,1,2,1,-1}([1]0,0,1)(1)\rlast";
    saveChromosomeFile(path, description, {"a\nb", "c"}, {"y\r\n"}, kLine);
    Chromosome circuit;
    std::string fileName;
    const auto loaded = loadChromosomeFile(path, circuit, fileName, nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(kLine, loaded->text);
    EXPECT_EQ(" first #%i q,r  {1,1,1,1,2,1,-1}([1]0,0,1)(1) last", loaded->description);
    EXPECT_EQ((std::vector<std::string>{"ab", "c"}), circuit.inputNames);
    EXPECT_EQ(std::vector<std::string>{"y"}, circuit.outputNames);
}

TEST(HostileTexts, SettingsValuesStayOneValue) {
    TempDir dir;
    SettingsFile settings(dir.file("set.ini"));
    const std::vector<std::pair<std::string, std::string>> values{
        {"[DOT]", "[DOT]"},
        {"f2_label=injected", "f2_label=injected"},
        {"; not a comment", "; not a comment"},
        {"# nor this", "# nor this"},
        {"two\nlines\r\n[Roztece]\nroztecx=1", "two lines  [Roztece] roztecx=1"},
        {"\\", "\\"},
        {"\"quoted\"", "\"quoted\""},
        {"<<<END", "<<<END"},
        {"\xff\xfe not UTF-8", "\xff\xfe not UTF-8"},
        {kMegabyte, kMegabyte},
    };
    for (std::size_t k = 0; k < values.size(); ++k)
        settings.writeString("DOT", "f" + std::to_string(k) + "_label", values[k].first);
    for (std::size_t k = 0; k < values.size(); ++k) {
        EXPECT_EQ(values[k].second, settings.readString("DOT", "f" + std::to_string(k) + "_label", "?")) << k;
    }
    EXPECT_EQ("?", settings.readString("Roztece", "roztecx", "?"));
    EXPECT_EQ("?", settings.readString("DOT", "f2_label=injected", "?"));
}

}  // namespace
}  // namespace pellisor
