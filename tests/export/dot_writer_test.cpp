#include "export/dot_writer.h"

#include "app/settings.h"
#include "support/test_support.h"

#include "support/circuit_builder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace pellisor {
namespace {

using test::TempDir;
using test::writeBytes;

using test::circuitOf;
using test::functionBlock;
using test::outputBlock;

// Two inputs, two columns of three rows, arity 3. Gene 3 is a function with labelled inputs, gene 9
// reads only input 1, gene 1 has its own style in the settings; blocks 4 and 7 are hidden.
struct Sample {
    Sample() {
        circuit = circuitOf(
            2, 2, 3, 3,
            {functionBlock({0, 1, 0}, 3), functionBlock({1, 0, 1}, 9), functionBlock({0, 0, 1}, 7, false),
             functionBlock({2, 3, 0}, 1), functionBlock({4, 2, 1}, 0), functionBlock({5, 6, 2}, 2, false),
             outputBlock(5), outputBlock(7)});
        circuit.inputNames = {"x"};
        circuit.outputNames = {"y"};
        const std::int32_t values[] = {5, 7, 1, 7, 3, 1, 0, 9, 1, 9};
        for (std::size_t i = 0; i < circuit.blocks.size(); ++i)
            circuit.blocks[i].value = values[i];
        assignment.setIdentifier(3, 12);
        assignment.setIdentifier(9, 5);
        assignment.setIdentifier(1, 1);
        writeBytes(dir.file("set.ini"),
                   "[DOT]\nf1_label=AND\nf1_fillcolor=#ff0000\nf1_fontcolor=white\nf12_label=ANDN\n");
    }

    std::string dot(bool showValues) const {
        return buildDot(circuit, assignment, showValues, "/home/user/run 1/circuit.chr",
                        readFunctionStyles(SettingsFile(dir.file("set.ini")), assignment));
    }

    TempDir dir;
    Chromosome circuit;
    FunctionAssignment assignment;
};

constexpr const char* kBox = "shape=\"box\" style=filled fontname=\"Arial\" ";

TEST(DotWriter, WholeGraphWithValues) {
    const Sample sample;
    const std::string box = kBox;
    const std::string grey = "fillcolor=\"#cccccc\" fontcolor=\"#444444\" ]\n";
    EXPECT_EQ(sample.dot(true),
              "#circuit.chr\n"
              "digraph z {\n"
              " Node [peripheries=0]\n"
              " in0[fontsize=23 label=x]\n"
              " in1[fontsize=23]\n"
              " {rank=same; in0 in1}\n"
              "\n"
              " blk2[label=\"ANDN\" " +
                  box + grey +
                  " in0 -> blk2[label=\"a\\n5\" fontsize=10]\n"
                  " in1 -> blk2[label=\"b\\n7\" fontsize=10]\n"
                  " blk3[label=\"blk3(9)\" " +
                  box + grey +
                  " in0 -> blk3[label=\"5\" fontsize=10]\n"
                  " blk5[label=\"AND\" " +
                  box +
                  "fillcolor=\"#ff0000\" fontcolor=\"white\" ]\n"
                  " blk2 -> blk5[label=\"1\" fontsize=10]\n"
                  " blk3 -> blk5[label=\"7\" fontsize=10]\n"
                  " blk6[label=\"blk6(0)\" " +
                  box + grey +
                  " blk2 -> blk6[label=\"1\" fontsize=10]\n"
                  "\n"
                  " out0[fontsize=23 label=y]\n"
                  " blk5 -> out0[label=\"1\" fontsize=10]\n"
                  " out1[fontsize=23]\n"
                  " blk7 -> out1[label=\"9\" fontsize=10]\n"
                  " {rank=same; out0 out1}\n"
                  "}\n");
}

TEST(DotWriter, WithoutValuesOnlyLabelledInputsHaveAttributes) {
    const Sample sample;
    const std::string dot = sample.dot(false);
    EXPECT_NE(dot.find(" in0 -> blk2[label=\"a\" fontsize=10]\n in1 -> blk2[label=\"b\" fontsize=10]\n"),
              std::string::npos);
    EXPECT_NE(dot.find(" in0 -> blk3\n"), std::string::npos);
    EXPECT_NE(dot.find(" blk2 -> blk5\n blk3 -> blk5\n"), std::string::npos);
    EXPECT_NE(dot.find(" blk5 -> out0\n out1[fontsize=23]\n blk7 -> out1\n"), std::string::npos);
    EXPECT_LT(dot.rfind("fontsize=10]"), dot.find(" blk3["));
}

TEST(DotWriter, DefaultLabelNamesAbsoluteIndexAndGene) {
    Chromosome circuit = circuitOf(9, 1, 1, 2, {functionBlock({0, 8}, 3), outputBlock(9)});
    const TempDir dir;
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "c.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    EXPECT_NE(dot.find(" blk9[label=\"blk9(3)\" "), std::string::npos);
    EXPECT_NE(dot.find(" in0 -> blk9\n in8 -> blk9\n"), std::string::npos);
}

TEST(DotWriter, GeneWithoutRowUsesItsEmptyPrefix) {
    Chromosome circuit = circuitOf(1, 1, 1, 2, {functionBlock({0, 0}, 40), outputBlock(1)});
    const TempDir dir;
    writeBytes(dir.file("set.ini"), "[DOT]\nf_label=none\nf_fillcolor=red\n");
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "c.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    EXPECT_NE(
        dot.find(" blk1[label=\"none\" " + std::string(kBox) + "fillcolor=\"red\" fontcolor=\"#444444\" ]\n"),
        std::string::npos);
}

TEST(DotWriter, NamesThatAreNotSingleTokensAreQuoted) {
    Chromosome circuit = circuitOf(9, 0, 0, 2, {outputBlock(0), outputBlock(1), outputBlock(2)});
    circuit.inputNames = {"plain_1", "-1.5", "5.", "a b", "Node", "1a", "", "x\"y", "\xc4\x8d\xc3\xad"};
    circuit.outputNames = {".5", "(q)", "subgraph"};
    const TempDir dir;
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "c.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    EXPECT_NE(dot.find(" in0[fontsize=23 label=plain_1]\n"
                       " in1[fontsize=23 label=-1.5]\n"
                       " in2[fontsize=23 label=5.]\n"
                       " in3[fontsize=23 label=\"a b\"]\n"
                       " in4[fontsize=23 label=\"Node\"]\n"
                       " in5[fontsize=23 label=\"1a\"]\n"
                       " in6[fontsize=23 label=\"\"]\n"
                       " in7[fontsize=23 label=\"x\\\"y\"]\n"
                       " in8[fontsize=23 label=\xc4\x8d\xc3\xad]\n"),
              std::string::npos);
    EXPECT_NE(dot.find(" out0[fontsize=23 label=.5]\n"), std::string::npos);
    EXPECT_NE(dot.find(" out1[fontsize=23 label=\"(q)\"]\n"), std::string::npos);
    EXPECT_NE(dot.find(" out2[fontsize=23 label=\"subgraph\"]\n"), std::string::npos);
}

TEST(DotWriter, QuotedTextsKeepEscapesAndCloseTheirQuotes) {
    Chromosome circuit =
        circuitOf(1, 1, 6, 2,
                  {functionBlock({0, 0}, 1), functionBlock({0, 0}, 2), functionBlock({0, 0}, 3),
                   functionBlock({0, 0}, 4), functionBlock({0, 0}, 5), functionBlock({0, 0}, 6)});
    FunctionAssignment assignment;
    for (std::int32_t gene = 1; gene <= 6; ++gene)
        assignment.setIdentifier(gene, gene);
    const TempDir dir;
    writeBytes(dir.file("set.ini"),
               "[DOT]\n"
               "f1_label=line\\nbreak\n"    // an escape typed on purpose stays
               "f2_label=say \"hi\"\n"      // bare quotes get a backslash
               "f3_label=ends\\\n"          // a lone trailing backslash is doubled
               "f4_label=even\\\\\n"        // an even run already closes
               "f5_label=kept \\\"q\\\"\n"  // already escaped quotes stay
               "f6_label=odd\\\\\"\n"       // \\ then a bare quote
               "f6_fillcolor=#00\"ff\n");
    const std::string dot = buildDot(circuit, assignment, false, "c.chr",
                                     readFunctionStyles(SettingsFile(dir.file("set.ini")), assignment));
    EXPECT_NE(dot.find("[label=\"line\\nbreak\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"say \\\"hi\\\"\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"ends\\\\\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"even\\\\\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"kept \\\"q\\\"\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"odd\\\\\\\"\" "), std::string::npos) << dot;
    EXPECT_NE(dot.find("fillcolor=\"#00\\\"ff\" "), std::string::npos) << dot;
}

TEST(DotWriter, NulBytesAreDroppedFromQuotedTexts) {
    Chromosome circuit = circuitOf(1, 0, 0, 2, {outputBlock(0)});
    circuit.outputNames = {std::string("n\\\0", 3)};
    const TempDir dir;
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "c.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    EXPECT_NE(dot.find(" out0[fontsize=23 label=\"n\\\\\"]\n"), std::string::npos) << dot;
}

TEST(DotWriter, FileNameCannotLeaveTheCommentLine) {
    const Chromosome circuit;
    const TempDir dir;
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "/d/a\nb\r.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    EXPECT_EQ(dot.substr(0, dot.find('\n') + 1), "#a b .chr\n");
}

TEST(DotWriter, NoCircuitGivesAnEmptyGraphWhateverTheHeaderSays) {
    Chromosome circuit;
    circuit.inputCount = 3;
    circuit.outputCount = 2;
    circuit.columns = 4;
    circuit.rows = 2;
    circuit.arity = 2;
    circuit.inputNames = {"a", "b"};
    const TempDir dir;
    EXPECT_EQ(buildDot(circuit, FunctionAssignment(), true, "c.chr",
                       readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment())),
              "#c.chr\ndigraph z {\n Node [peripheries=0]\n {rank=same;}\n\n\n {rank=same;}\n}\n");
}

TEST(DotWriter, ArityOneDrawsOnlyTheFirstConnection) {
    Chromosome circuit =
        circuitOf(2, 1, 2, 1, {functionBlock({1}, 0), functionBlock({0}, 1), outputBlock(3)});
    FunctionAssignment assignment;
    assignment.setIdentifier(1, 5);  // reads input 1 only, which the block does not have
    const TempDir dir;
    const std::string dot = buildDot(circuit, assignment, true, "c.chr",
                                     readFunctionStyles(SettingsFile(dir.file("set.ini")), assignment));
    EXPECT_NE(dot.find("]\n in1 -> blk2[label=\"0\" fontsize=10]\n blk3["), std::string::npos) << dot;
    EXPECT_NE(dot.find("]\n\n out0"), std::string::npos) << dot;
}

TEST(DotWriter, HiddenEntriesAsSourcesAndOutputsReadingAnything) {
    Chromosome circuit = circuitOf(2, 1, 1, 2, {functionBlock({0, 1}, 0), outputBlock(0), outputBlock(3)});
    circuit.blocks[0].visible = false;
    circuit.blocks[3].visible = false;
    const TempDir dir;
    const std::string dot =
        buildDot(circuit, FunctionAssignment(), false, "c.chr",
                 readFunctionStyles(SettingsFile(dir.file("set.ini")), FunctionAssignment()));
    // The hidden input still has its node; its edge into the block is omitted.
    EXPECT_NE(dot.find(" in0[fontsize=23]\n"), std::string::npos);
    EXPECT_NE(dot.find("]\n in1 -> blk2\n\n"), std::string::npos) << dot;
    EXPECT_NE(dot.find(" in0 -> out0\n"), std::string::npos);
    EXPECT_NE(dot.find(" blk3 -> out1\n"), std::string::npos);
}

}  // namespace
}  // namespace pellisor
