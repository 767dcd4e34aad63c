#include "export/eps_writer.h"

#include "app/settings.h"
#include "model/chromosome_parser.h"
#include "render/geometry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace pellisor {
namespace {

using test::TempDir;

// The prolog as the program's readers expect it, piece by piece; kIndex sits inside blk2.
const std::string kSizes =
    "/elw { 30 } def %sirka elementu\n"
    "/elh { 40 } def %vyska elementu\n"
    "/inw { 3 } def %delka vstupu/vystupu\n"
    "/elph { elh 2 div } def %pulvyska\n"
    "/elh3 { elh 3 div } def %tretina vysky\n";
const std::string kBlk2 =
    "\n"
    " /blk2 { % vstupem jsou souradnice horniho leveho, text1 text2\n"
    "   newpath   moveto gsave       %rlineto relativ posuv\n"
    "   elw 0 rlineto            0 elh rlineto           elw neg 0 rlineto           gsave                   "
    "1 1 1 setrgbcolor         fill   grestore   closepath   2 setlinewidth   stroke         grestore gsave\n"
    "%FUNKCE\n"
    "/Helvetica findfont 10 scalefont setfont \n"
    "dup %str str \n"
    "stringwidth pop %str wx \n"
    "elw 2 sub %str wx maxx \n"
    "2 1 roll sub %str maxx-wx \n"
    "elh 12 sub %str maxx-wx y \n"
    "rmoveto show \n"
    "grestore ";
const std::string kIndex =
    "gsave\n"
    "%INDEX\n"
    "   /Helvetica findfont 10 scalefont setfont elw 3 add elph 3 add rmoveto show grestore ";
const std::string kRest =
    "gsave      0 elh3 2.5 mul rmoveto %in1\n"
    "   -10 0 rlineto    10 elh3 elh3 add neg rmoveto %in2\n"
    "   -10 0 rlineto     stroke grestore   elw elph rmoveto %out\n"
    "  10 0 rlineto     stroke } def \n"
    "\n"
    " /ln2in2 {  newpath   exch -10 add exch %FROM posun x\n"
    "  elh3 0.5 mul add  moveto %posun y\n"
    "  exch elw 10 add add exch  %TO posun x\n"
    "  elph add %posun y\n"
    "  lineto  stroke } def /ln2in1 {  newpath   exch -10 add exch %FROM posun x\n"
    "  elh3 2.5 mul add  moveto %posun y\n"
    "  exch elw 10 add add exch  %TO posun x\n"
    "  elph add %posun y\n"
    "  lineto  stroke } def \n"
    "\n"
    " /ln1in1 {  newpath   elh add %posun y\n"
    "  moveto   exch elw 10 add add exch  %FROM posun x\n"
    "  elph add   lineto  stroke } def \n"
    "\n"
    "/inout { newpath  elh add %posun y \n"
    "  moveto   gsave       inw 0 rlineto    2 setlinewidth    stroke  grestore  gsave  0 0 0.6 setrgbcolor  "
    "/Helvetica findfont 10 scalefont setfont 0 5 rmoveto show  grestore } def\n"
    "%TEXT aligned to the right\n"
    "/rlabel { gsave 0 0 0.6 setrgbcolor /Helvetica findfont 10 scalefont setfont %str x y \n"
    "3 -1 roll dup%x y str str \n"
    "stringwidth pop %x y str wx \n"
    "3 1 roll%x wx y str \n"
    "4 2 roll%y str x wx \n"
    "sub %y str x_new \n"
    "3 -1 roll%str x_new y \n"
    "moveto show  grestore } def\n"
    "%TEXT aligned to the center\n"
    "/clabel { gsave 0 0 0.6 setrgbcolor /Helvetica findfont 10 scalefont setfont %str x y \n"
    "3 -1 roll dup%x y str str \n"
    "stringwidth pop %x y str wx \n"
    "3 1 roll%x wx y str \n"
    "4 2 roll%y str x wx \n"
    "2 div sub %y str x_new \n"
    "3 -1 roll%str x_new y \n"
    "moveto show  grestore } def\n"
    "\n"
    "\n";

std::string head(std::int64_t width, std::int64_t height, bool blockNumbers) {
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(width) + " " +
           std::to_string(height) + "\n" + kSizes + kBlk2 + (blockNumbers ? kIndex : "") + kRest;
}

Chromosome parsed(std::string_view line) {
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    placeOnGrid(circuit, defaultSpacingTexts());
    return circuit;
}

Block& at(Chromosome& circuit, std::int32_t index) {
    return circuit.blocks[static_cast<std::size_t>(index)];
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A settings file in its own directory, and the table of genes to functions.
struct Writer {
    TempDir dir;
    SettingsFile settings{dir.file("set.ini")};
    FunctionAssignment assignment;
    DisplayOptions options;

    explicit Writer(const std::string& ini = "") {
        if (!ini.empty()) test::writeBytes(dir.file("set.ini"), ini);
    }
    std::string eps(const Chromosome& circuit, const std::string& description = "") const {
        return buildEps(circuit, assignment, options, description, readFunctionLabels(settings, assignment));
    }
};

// Inputs (20,40) (20,70); blocks 2 (80,30), 3 (80,100), 4 (160,30), 5 (160,100); output 6 (240,40).
constexpr std::string_view kTwoByTwo = "{2,1,2,2,2,1,-1}([2]0,1,0)([3]1,0,1)([4]2,3,2)([5]0,1,3)(4)";

TEST(EpsWriter, FullTextOfASmallCircuit) {
    Writer writer("[DOT]\nf1_label=AND\nf4_label=A\n");
    writer.assignment.setIdentifier(0, 1);  // AND, reads both inputs
    writer.assignment.setIdentifier(1, 4);  // in1 only
    writer.assignment.setIdentifier(2, 3);  // XOR, no label
    writer.options.blockNumbers = true;
    writer.options.functionLabels = true;
    Chromosome circuit = parsed(kTwoByTwo);
    circuit.inputNames = {"a"};
    circuit.outputNames = {"y"};
    at(circuit, 5).visible = false;

    const std::string expected = head(260, 140, true) +
                                 " 0.8 0.8 0.8 setrgbcolor \n"
                                 "(5) (3) 160 15 blk2 \n"
                                 " 0 0 0 setrgbcolor \n"
                                 "(2) (AND) 80 85 blk2 \n"
                                 "(3) (A) 80 15 blk2 \n"
                                 "(4) (2) 160 85 blk2 \n"
                                 " 0 0.7 0 setrgbcolor \n"
                                 "20 10 elw add sub inw add 75 elph add 80 85  ln2in1 % 0-2\n"
                                 "20 10 elw add sub inw add 45 elph add 80 85  ln2in2 % 1-2\n"
                                 "20 10 elw add sub inw add 45 elph add 80 15  ln2in1 % 1-3\n"
                                 "80 85 160 85  ln2in1 % 2-4\n"
                                 "80 15 160 85  ln2in2 % 3-4\n"
                                 "160 85 240 75  ln1in1 % 4-6\n"
                                 " 0 0 0 setrgbcolor \n"
                                 "(a) 20 75 inout \n"
                                 "(1) 20 45 inout \n"
                                 "(y) 240 75 inout \n"
                                 "(Popis obvodu) 130 0 clabel\n";
    EXPECT_EQ(expected, writer.eps(circuit, "Popis obvodu"));
}

TEST(EpsWriter, BoundingBoxCoversTheLargestAnchorsAndYIsFlipped) {
    Writer writer;
    Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,0)(1)");
    at(circuit, 0).x = 400;
    at(circuit, 0).y = 300;
    at(circuit, 1).x = -50;
    at(circuit, 1).y = 0;
    at(circuit, 2).x = 7;
    at(circuit, 2).y = -1000;
    const std::string eps = writer.eps(circuit);
    EXPECT_TRUE(eps.starts_with("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 420 340\n"));
    EXPECT_TRUE(contains(eps, "(0) 400 15 inout \n"));
    EXPECT_TRUE(contains(eps, "(0) -50 315 blk2 \n"));
    EXPECT_TRUE(contains(eps, "(0) 7 1315 inout \n"));
    EXPECT_TRUE(eps.ends_with("() 210 0 clabel\n"));
}

TEST(EpsWriter, NoPositiveCoordinatesGiveTheSmallestBox) {
    Writer writer;
    Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,0)(1)");
    for (Block& block : circuit.blocks)
        block.x = block.y = -5;
    at(circuit, 1).x = 0;
    EXPECT_TRUE(contains(writer.eps(circuit), "%%BoundingBox: 0 0 20 40\n"));
}

TEST(EpsWriter, PositionsAtTheEndsOfTheIntegerRangeDoNotOverflow) {
    Writer writer;
    Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,0)(1)");
    at(circuit, 0).x = INT_MAX;
    at(circuit, 0).y = INT_MAX;
    at(circuit, 1).x = INT_MIN;
    at(circuit, 1).y = INT_MIN;
    const std::string eps = writer.eps(circuit);
    EXPECT_TRUE(contains(eps, "%%BoundingBox: 0 0 2147483667 2147483687\n"));
    EXPECT_TRUE(contains(eps, "(0) 2147483647 15 inout \n"));
    EXPECT_TRUE(contains(eps, "(0) -2147483648 4294967310 blk2 \n"));
    EXPECT_TRUE(contains(
        eps, "2147483647 10 elw add sub inw add 15 elph add -2147483648 4294967310  ln2in1 % 0-1\n"));
    EXPECT_TRUE(eps.ends_with("() 1073741833 0 clabel\n"));
}

TEST(EpsWriter, WithoutACircuitOnlyTheFrameAndTheCaptionAreWritten) {
    Writer writer;
    const std::string expected = head(20, 40, false) +
                                 " 0.8 0.8 0.8 setrgbcolor \n"
                                 " 0 0 0 setrgbcolor \n"
                                 " 0 0.7 0 setrgbcolor \n"
                                 " 0 0 0 setrgbcolor \n"
                                 "(nic) 10 0 clabel\n";
    EXPECT_EQ(expected, writer.eps(Chromosome{}, "nic"));

    // A failed parse leaves the last header's counts and the names behind.
    Chromosome stale = parsed(kTwoByTwo);
    stale.inputNames = {"a", "b"};
    stale.clearCircuit();
    EXPECT_EQ(expected, writer.eps(stale, "nic"));

    writer.options.hiddenBlocks = false;
    writer.options.blockNumbers = true;
    EXPECT_EQ(head(20, 40, true) +
                  " 0 0 0 setrgbcolor \n 0 0.7 0 setrgbcolor \n 0 0 0 setrgbcolor \n() 10 0 clabel\n",
              writer.eps(stale));
}

TEST(EpsWriter, BlockNumbersAddTheIndexPieceAndTheIndexTexts) {
    Writer writer;
    const Chromosome circuit = parsed(kTwoByTwo);
    const std::string without = writer.eps(circuit);
    EXPECT_TRUE(without.starts_with(head(260, 140, false)));
    EXPECT_FALSE(contains(without, "%INDEX"));
    EXPECT_TRUE(contains(without, "\n(1) 80 15 blk2 \n"));

    writer.options.blockNumbers = true;
    const std::string with = writer.eps(circuit);
    EXPECT_TRUE(with.starts_with(head(260, 140, true)));
    EXPECT_TRUE(contains(with, "\n(3) (1) 80 15 blk2 \n"));
}

TEST(EpsWriter, HiddenBlocksAreGreyOnlyOnRequestAndNeverWired) {
    Writer writer;
    writer.assignment.setIdentifier(0, 1);
    Chromosome circuit = parsed("{2,1,2,1,2,1,-1}([2]0,1,0)([3]2,1,0)(3)");
    at(circuit, 2).visible = false;  // feeds block 3
    at(circuit, 1).visible = false;  // a hidden primary input
    at(circuit, 4).visible = false;  // a hidden output
    circuit.inputNames = {"a", "b"};

    const std::string shown = writer.eps(circuit);
    EXPECT_TRUE(contains(
        shown, " 0.8 0.8 0.8 setrgbcolor \n(0) 80 55 blk2 \n 0 0 0 setrgbcolor \n(0) 160 55 blk2 \n"));
    // Neither the wires into block 2 nor the one out of it, nor those of the hidden input and output.
    EXPECT_TRUE(contains(shown, " 0 0.7 0 setrgbcolor \n 0 0 0 setrgbcolor \n"));
    EXPECT_TRUE(contains(shown, "(a) 20 45 inout \n(b) 20 15 inout \n(0) 240 45 inout \n"));

    writer.options.hiddenBlocks = false;
    const std::string left = writer.eps(circuit);
    EXPECT_FALSE(contains(left, "0.8 0.8 0.8"));
    EXPECT_FALSE(contains(left, " 80 55 blk2"));
    EXPECT_TRUE(contains(
        left, "\n\n 0 0 0 setrgbcolor \n(0) 160 55 blk2 \n 0 0.7 0 setrgbcolor \n 0 0 0 setrgbcolor \n"));
    EXPECT_TRUE(contains(left, "(b) 20 15 inout \n(0) 240 45 inout \n"));
}

TEST(EpsWriter, OnlyTheDirectModesDrawWires) {
    Writer writer;
    const Chromosome circuit = parsed(kTwoByTwo);
    const std::string direct = writer.eps(circuit);
    EXPECT_TRUE(contains(direct, "  ln2in1 % 0-2\n"));

    writer.options.wiring = WiringMode::Direct2;
    EXPECT_EQ(direct, writer.eps(circuit));

    writer.options.wiring = WiringMode::DirectOpt;
    const std::string opt = writer.eps(circuit);
    EXPECT_TRUE(
        contains(opt, "(3) 160 15 blk2 \n 0 0.7 0 setrgbcolor \n 0 0 0 setrgbcolor \n(0) 20 75 inout \n"));
    EXPECT_FALSE(contains(opt, "  ln"));
}

TEST(EpsWriter, WiresFollowTheUsageMaskButOutputsAreAlwaysWired) {
    Writer writer;
    writer.assignment.setIdentifier(0, 4);   // in1: mask 1
    writer.assignment.setIdentifier(1, 5);   // in2: mask 2
    writer.assignment.setIdentifier(2, 17);  // the constant 255: mask 0
    const Chromosome circuit = parsed("{2,1,3,1,2,1,-1}([2]0,1,0)([3]0,1,1)([4]2,3,2)(4)");
    const std::string eps = writer.eps(circuit);
    EXPECT_TRUE(contains(eps,
                         " 0 0.7 0 setrgbcolor \n"
                         "20 10 elw add sub inw add 45 elph add 80 55  ln2in1 % 0-2\n"
                         "20 10 elw add sub inw add 15 elph add 160 55  ln2in2 % 1-3\n"
                         "240 55 320 45  ln1in1 % 4-5\n"
                         " 0 0 0 setrgbcolor \n"));
}

TEST(EpsWriter, FunctionLabelsAreReadPerBlockAndGenesWithoutALabelStayNumbers) {
    Writer writer("[DOT]\nf7_label=OR\nf_label=bez radku\n");
    writer.assignment.setIdentifier(0, 7);
    writer.assignment.setIdentifier(1, 8);
    writer.options.functionLabels = true;
    // Genes 0 (labelled), 1 (no label), 40 (no row of the table: key "f_label").
    const Chromosome circuit = parsed("{1,1,3,1,2,1,-1}([1]0,0,0)([2]1,1,1)([3]2,2,40)(3)");
    const std::string eps = writer.eps(circuit);
    EXPECT_TRUE(contains(eps, "(OR) 80 25 blk2 \n(1) 160 25 blk2 \n(bez radku) 240 25 blk2 \n"));

    writer.options.functionLabels = false;
    EXPECT_TRUE(contains(writer.eps(circuit), "(0) 80 25 blk2 \n(1) 160 25 blk2 \n(40) 240 25 blk2 \n"));
}

TEST(EpsWriter, AWireFromAPrimaryInputStartsAtTheEndOfItsStub) {
    Writer writer;
    Chromosome circuit = parsed("{3,1,1,1,2,1,-1}([3]2,2,0)(3)");
    at(circuit, 2).x = 20;
    at(circuit, 2).y = 100;
    at(circuit, 4).y = 300;  // H = 340
    const std::string eps = writer.eps(circuit);
    EXPECT_TRUE(contains(eps, "\n20 10 elw add sub inw add 215 elph add 80 285  ln2in1 % 2-3\n"));
}

TEST(EpsWriter, TextsAreEscapedAsPostScriptStrings) {
    Writer writer("[DOT]\nf1_label=a(b)\\c\n");
    writer.assignment.setIdentifier(0, 1);
    writer.options.functionLabels = true;
    Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,0)(1)");
    circuit.inputNames = {"in (1) x"};
    circuit.outputNames = {"o\r\n\x01\tk\xe9"};
    const std::string eps = writer.eps(circuit, "Popis (verze 2) C:\\obvod\n");
    EXPECT_TRUE(contains(eps, "\n(a\\(b\\)\\\\c) 80 "));
    EXPECT_TRUE(contains(eps, "\n(in \\(1\\) x) 20 "));
    EXPECT_TRUE(contains(eps, "\n(o\\r\\n\\001\tk\xe9) 160 "));
    EXPECT_TRUE(eps.ends_with("\n(Popis \\(verze 2\\) C:\\\\obvod\\n) 90 0 clabel\n"));
}

TEST(EpsWriter, OtherInputCountsGetTheirOwnProcedures) {
    Writer writer;
    const std::string two = writer.eps(parsed(kTwoByTwo));
    EXPECT_FALSE(contains(two, "/blk1"));
    EXPECT_FALSE(contains(two, "/blk3"));
    EXPECT_FALSE(contains(two, "/lnb1"));
    EXPECT_FALSE(contains(two, "/ln3"));

    const std::string three = writer.eps(parsed("{3,1,1,1,3,1,-1}([3]0,1,2,0)(3)"));
    EXPECT_TRUE(three.starts_with(head(180, 140, false)));
    for (const char* name : {"\n /blk3 { ", "\n /ln3in1 { ", "\n /ln3in2 { ", "\n /ln3in3 { "}) {
        EXPECT_TRUE(contains(three, name)) << name;
    }
    EXPECT_FALSE(contains(three, "%INDEX"));
    EXPECT_TRUE(contains(three, "(0) 80 85 blk3 \n"));
    EXPECT_TRUE(contains(three, "20 10 elw add sub inw add 15 elph add 80 85  ln3in3 % 2-3\n"));
    EXPECT_TRUE(contains(three, "  ln1in1 % 3-4\n"));
    // The pins of three inputs sit where the wires end: every other fifth of the height.
    EXPECT_TRUE(contains(three, "gsave      0 elh 5 div 4.5 mul rmoveto %in1\n"));
    EXPECT_TRUE(contains(three, "gsave      0 elh 5 div 0.5 mul rmoveto %in3\n"));
    EXPECT_TRUE(
        contains(three, "/ln3in1 {  newpath   exch -10 add exch %FROM posun x\n  elh 5 div 4.5 mul add"));
    EXPECT_TRUE(
        contains(three, "/ln3in3 {  newpath   exch -10 add exch %FROM posun x\n  elh 5 div 0.5 mul add"));

    // One input: wires into blocks need a name other than the outputs' ln1in1.
    Writer numbered;
    numbered.options.blockNumbers = true;
    const std::string one = numbered.eps(parsed("{1,1,2,1,1,1,-1}([1]0,0)([2]1,0)(2)"));
    EXPECT_TRUE(contains(one, "\n /blk1 { "));
    EXPECT_TRUE(contains(one, "\n /lnb1in1 { "));
    EXPECT_TRUE(contains(one, "%INDEX"));
    EXPECT_FALSE(contains(one, "/ln1in1 {  newpath   exch"));
    EXPECT_TRUE(contains(one, "(1) (0) 80 25 blk1 \n(2) (0) 160 25 blk1 \n"));
    EXPECT_TRUE(contains(one, "20 10 elw add sub inw add 15 elph add 80 25  lnb1in1 % 0-1\n"));
    EXPECT_TRUE(contains(one, "80 25 160 25  lnb1in1 % 1-2\n"));
    EXPECT_TRUE(contains(one, "160 25 240 15  ln1in1 % 2-3\n"));

    // Procedures are added for what is drawn only.
    writer.options.wiring = WiringMode::DirectOpt;
    const std::string unwired = writer.eps(parsed("{3,1,1,1,3,1,-1}([3]0,1,2,0)(3)"));
    EXPECT_TRUE(contains(unwired, "/blk3 {"));
    EXPECT_FALSE(contains(unwired, "/ln3in"));
}

}  // namespace
}  // namespace pellisor
