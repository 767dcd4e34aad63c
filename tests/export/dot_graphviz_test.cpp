// The real consumer: Graphviz must read every graph we write, however odd the names and labels.

#include "app/settings.h"
#include "export/dot_writer.h"

#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::haveProgram;
using test::runCommand;
using test::TempDir;
using test::writeBytes;

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

// Pieces that trouble a DOT scanner: blanks, quotes, backslashes (alone, doubled, before a quote, at
// the end), brackets and punctuation of the language, keywords, numerals, line breaks, UTF-8 and a
// byte that is not UTF-8.
std::string awkwardText(std::mt19937& rng, bool forSettings) {
    static const std::array<const char*, 28> kPieces{"a",
                                                     "Z_9",
                                                     " ",
                                                     "\"",
                                                     "\\",
                                                     "\\\\",
                                                     "\\\"",
                                                     "\\n",
                                                     "(",
                                                     ")",
                                                     "[",
                                                     "]",
                                                     "{",
                                                     "}",
                                                     ";",
                                                     "=",
                                                     "->",
                                                     "/*",
                                                     "//",
                                                     "<b>",
                                                     "node",
                                                     "Graph",
                                                     "-1.5",
                                                     "7",
                                                     "\xc4\x8d\xc5\x99",
                                                     "\xe2\x82\xac",
                                                     "\n",
                                                     "\r"};
    std::string text;
    const std::int32_t pieces = between(rng, 0, 4);
    for (std::int32_t p = 0; p < pieces; ++p) {
        const auto* piece =
            kPieces[static_cast<std::size_t>(between(rng, 0, static_cast<std::int32_t>(kPieces.size()) - 1))];
        // Settings values are single lines.
        if (forSettings && (piece[0] == '\n' || piece[0] == '\r')) continue;
        text += piece;
    }
    if (between(rng, 0, 19) == 0) text += "\xe9";
    return text;
}

// Colours, odd ones included. Not a ';': dot takes it for a weighted colour list, and version 2.43 then
// crashes on a bad weight whatever the quoting.
std::string colourText(std::mt19937& rng) {
    static const std::array<const char*, 10> kColours{
        "#ff0000", "red", "light blue", "bad\"quote", "ends\\", "(x)", "\xc4\x8d", "", "#12345678", "a:b"};
    return kColours[static_cast<std::size_t>(
        between(rng, 0, static_cast<std::int32_t>(kColours.size()) - 1))];
}

std::string settingsText(std::mt19937& rng) {
    std::string text = "[DOT]\n";
    for (int id = 0; id <= 51; ++id) {
        const std::string prefix = "f" + std::to_string(id);
        if (between(rng, 0, 1) == 0) text += prefix + "_label=" + awkwardText(rng, true) + "\n";
        if (between(rng, 0, 2) == 0) text += prefix + "_fillcolor=" + colourText(rng) + "\n";
        if (between(rng, 0, 2) == 0)
            text += prefix + "_fontcolor=#" + std::to_string(between(rng, 100, 999)) + "\n";
    }
    return text;
}

TEST(DotGraphviz, RandomGraphsAreAccepted) {
    if (!haveProgram("dot")) GTEST_SKIP() << "Graphviz dot is not installed";
    const TempDir dir;
    std::mt19937 rng(4301);
    writeBytes(dir.file("set.ini"), settingsText(rng));
    const SettingsFile settings(dir.file("set.ini"));

    constexpr int kGraphs = 240;
    std::vector<std::string> graphs;
    for (int n = 0; n < kGraphs; ++n) {
        test::CircuitShape shape = test::randomShape(rng, 6, 4, 6, 5, 3);
        shape.arity = n % 3 + 1;
        Chromosome circuit = test::randomCircuit(rng, shape, n % 4 != 3, 40);
        for (Block& block : circuit.blocks) {
            block.visible = between(rng, 0, 3) != 0;
            block.value = between(rng, -300, 300);
        }
        for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
            if (between(rng, 0, 4) != 0) circuit.inputNames.push_back(awkwardText(rng, false));
        }
        for (std::int32_t i = 0; i < circuit.outputCount; ++i)
            circuit.outputNames.push_back(awkwardText(rng, false));
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            assignment.setIdentifier(gene, between(rng, 0, 53));
        const std::string fileName = "/runs/" + awkwardText(rng, false) + ".chr";
        graphs.push_back(
            buildDot(circuit, assignment, n % 2 == 0, fileName, readFunctionStyles(settings, assignment)));
    }
    // One stale circuit: the header counts remain but the entries are gone.
    Chromosome stale = test::randomCircuit(rng, test::CircuitShape{}, true);
    stale.clearCircuit();
    graphs.push_back(buildDot(stale, FunctionAssignment(), true, "stale.chr",
                              readFunctionStyles(settings, FunctionAssignment())));

    // dot reads several graphs from one file; half the graphs to each of two runs keeps both cores busy.
    std::string halves[2];
    for (std::size_t g = 0; g < graphs.size(); ++g)
        halves[g % 2] += graphs[g];
    writeBytes(dir.file("a.dot"), halves[0]);
    writeBytes(dir.file("b.dot"), halves[1]);
    const auto result = runCommand("cd '" + dir.path() +
                                   "' && (dot -Tsvg a.dot >a.svg & p=$!; dot -Tsvg b.dot >b.svg; s=$?; "
                                   "wait $p; t=$?; exit $((s | t)))");
    const bool accepted = result.status == 0 && result.output.find("rror") == std::string::npos;
    if (!accepted) {
        // Find the first graph dot refuses, to show it.
        for (const std::string& graph : graphs) {
            writeBytes(dir.file("one.dot"), graph);
            const auto single = runCommand("dot -Tsvg '" + dir.file("one.dot") + "' >/dev/null");
            if (single.status != 0 || single.output.find("rror") != std::string::npos) {
                ADD_FAILURE() << single.output << "\n" << graph;
                break;
            }
        }
    }
    EXPECT_TRUE(accepted) << result.output;
    // dot stops at the first graph it cannot read; every graph must have made its picture.
    const auto pictures = [&](const std::string& name) {
        const std::string svg = test::readBytes(dir.file(name));
        std::size_t n = 0;
        for (auto at = svg.find("</svg>"); at != std::string::npos; at = svg.find("</svg>", at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(pictures("a.svg") + pictures("b.svg"), graphs.size());
}

TEST(DotGraphviz, AwkwardTextsAreShownAsTyped) {
    if (!haveProgram("dot")) GTEST_SKIP() << "Graphviz dot is not installed";
    const TempDir dir;
    writeBytes(dir.file("set.ini"), "[DOT]\nf1_label=say \"hi\"\nf2_label=ends\\\nf3_label=two\\nlines\n");
    Chromosome circuit;
    circuit.inputCount = 2;
    circuit.outputCount = 1;
    circuit.columns = 1;
    circuit.rows = 3;
    circuit.arity = 2;
    circuit.blocks.resize(6);
    for (std::int32_t i = 2; i < 5; ++i) {
        circuit.blocks[static_cast<std::size_t>(i)].inputs = {0, 1};
        circuit.blocks[static_cast<std::size_t>(i)].inputCount = 2;
        circuit.blocks[static_cast<std::size_t>(i)].function = i - 1;
    }
    circuit.blocks[5].inputs = {4};
    circuit.blocks[5].inputCount = 1;
    circuit.inputNames = {"a b", "node"};
    circuit.outputNames = {"x\"y"};
    FunctionAssignment assignment;
    for (std::int32_t gene = 1; gene <= 3; ++gene)
        assignment.setIdentifier(gene, gene);
    writeBytes(dir.file("c.dot"),
               buildDot(circuit, assignment, false, "c.chr",
                        readFunctionStyles(SettingsFile(dir.file("set.ini")), assignment)));

    const auto result = runCommand("dot -Tsvg '" + dir.file("c.dot") + "'");
    ASSERT_EQ(result.status, 0) << result.output;
    for (const char* shown : {">say &quot;hi&quot;</text>", ">ends\\</text>", ">two</text>", ">lines</text>",
                              ">a b</text>", ">node</text>", ">x&quot;y</text>"}) {
        EXPECT_NE(result.output.find(shown), std::string::npos) << shown << "\n" << result.output;
    }
}

// dot 2.43 takes a colour with ';' or ':' for a weighted list and crashes on a malformed one, quoted or
// not; such a colour gives way to the default, a well-formed list stays, and no text makes a node.
TEST(DotGraphviz, HostileColoursRenderWithoutErrorOrMadeUpNodes) {
    if (!haveProgram("dot")) GTEST_SKIP() << "Graphviz dot is not installed";
    const TempDir dir;
    writeBytes(dir.file("set.ini"),
               "[DOT]\n"
               "f1_fillcolor=red; x -> y\nf1_fontcolor=\"\n"
               "f2_fillcolor=::\nf2_fontcolor=#ff0000;-1:blue\n"
               "f3_fillcolor=red;0.3:blue\nf3_fontcolor=;\n"
               "f4_fillcolor=\"] z [x\nf4_fontcolor=a;nan\n");
    Chromosome circuit;
    circuit.inputCount = 2;
    circuit.outputCount = 1;
    circuit.columns = 1;
    circuit.rows = 4;
    circuit.arity = 2;
    circuit.blocks.resize(7);
    for (std::int32_t i = 2; i < 6; ++i) {
        Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        block.inputs = {0, 1};
        block.inputCount = 2;
        block.function = i - 1;
    }
    circuit.blocks[6].inputs = {5};
    circuit.blocks[6].inputCount = 1;
    FunctionAssignment assignment;
    for (std::int32_t gene = 1; gene <= 4; ++gene)
        assignment.setIdentifier(gene, gene);
    const std::string dot = buildDot(circuit, assignment, false, "c.chr",
                                     readFunctionStyles(SettingsFile(dir.file("set.ini")), assignment));
    EXPECT_NE(dot.find("fillcolor=\"#cccccc\" fontcolor=\"\\\"\" ]\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("fillcolor=\"#cccccc\" fontcolor=\"#444444\" ]\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("fillcolor=\"red;0.3:blue\" fontcolor=\"#444444\" ]\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find("fillcolor=\"\\\"] z [x\" fontcolor=\"#444444\" ]\n"), std::string::npos) << dot;
    writeBytes(dir.file("c.dot"), dot);

    const auto result = runCommand("dot -Tplain '" + dir.file("c.dot") + "'");
    ASSERT_EQ(result.status, 0) << result.output << "\n" << dot;
    EXPECT_EQ(result.output.find("rror"), std::string::npos) << result.output;
    std::string nodes;
    for (std::size_t at = result.output.find("\nnode "); at != std::string::npos;
         at = result.output.find("\nnode ", at + 1)) {
        nodes += result.output.substr(at + 6, result.output.find(' ', at + 6) - at - 6) + " ";
    }
    EXPECT_EQ(nodes, "in0 in1 blk2 blk3 blk4 blk5 out0 ");
}

}  // namespace
}  // namespace pellisor
