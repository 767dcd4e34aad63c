#include "eval/function_assignment.h"

#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

TEST(FunctionAssignment, FunctionOfReadsTheIdentifierColumnOfTheGenesRow) {
    FunctionAssignment assignment;
    assignment.setIdentifier(31, 44);
    EXPECT_EQ("0", assignment.functionOf(0));
    EXPECT_EQ("44", assignment.functionOf(31));
    EXPECT_EQ("#", assignment.functionOf(-1));  // the header row
    EXPECT_EQ("", assignment.functionOf(32));
    EXPECT_EQ("", assignment.functionOf(-2));
    EXPECT_EQ(44, assignment.identifierOf(31));
    EXPECT_THROW(assignment.identifierOf(32), Error);
}

TEST(FunctionAssignment, UsageMaskAndLabelledInputsFollowTheAssignedFunction) {
    Chromosome circuit;
    parseChromosome("{2,1,6,1,2,1,-1}(0,1,40)(0,1,0)(0,1,1)(0,1,2)(0,1,3)(0,1,-3)(7)", ParseMode::Draw,
                    circuit);
    FunctionAssignment assignment;
    EXPECT_EQ(-1, assignment.usageMask(circuit, 3));  // without set.ini every gene is 0: all inputs
    assignment.setIdentifier(0, 17);
    assignment.setIdentifier(1, 5);
    assignment.setIdentifier(2, 33);
    assignment.setIdentifier(3, 27);
    EXPECT_EQ(-1, assignment.usageMask(circuit, 2));        // gene 40 has no row
    EXPECT_EQ(0, assignment.usageMask(circuit, 3));         // "255"
    EXPECT_EQ(2, assignment.usageMask(circuit, 4));         // in2
    EXPECT_EQ(1, assignment.usageMask(circuit, 5));         // in1 SHR 8
    EXPECT_EQ(1, assignment.usageMask(circuit, 6));         // reads in1 only ...
    EXPECT_TRUE(assignment.hasLabelledInputs(circuit, 6));  // ... but labels its inputs
    EXPECT_EQ(-1, assignment.usageMask(circuit, 7));        // negative gene
    EXPECT_EQ(-1, assignment.usageMask(circuit, 8));        // output
    EXPECT_FALSE(assignment.hasLabelledInputs(circuit, 8));
    EXPECT_FALSE(assignment.hasLabelledInputs(circuit, 2));
    EXPECT_FALSE(assignment.hasLabelledInputs(circuit, 3));
    EXPECT_EQ(-1, assignment.usageMask(circuit, 99));  // no such entry
}

TEST(FunctionAssignment, LoadFillsTheChooserLabelsAndRowsFromTheSettings) {
    test::TempDir dir;
    test::writeBytes(
        dir.file("set.ini"),
        "[Funkce]\r\nf0=1\r\nf1=3\r\nf5=77\r\nf6=-4\r\nf7=x\r\n[DOT]\r\nf1_label=AND\r\nf3_label=XOR\r\n");
    FunctionAssignment assignment;
    assignment.loadAssignment(SettingsFile(dir.file("set.ini")));

    ASSERT_EQ(52u, assignment.chooser().size());
    EXPECT_EQ("", assignment.chooser()[0]);
    EXPECT_EQ("in1 AND in2      int x int -> int|AND", assignment.chooser()[1]);
    EXPECT_EQ("in1 OR in2       int x int -> int|", assignment.chooser()[2]);
    EXPECT_EQ("in1 SHL 15|", assignment.chooser()[51]);

    const auto& rows = assignment.rows();
    EXPECT_EQ(1, rows[0].identifier);
    EXPECT_EQ("in1 AND in2      int x int -> int", rows[0].description);
    EXPECT_EQ("AND", rows[0].label);
    EXPECT_EQ(3, rows[1].identifier);
    EXPECT_EQ("XOR", rows[1].label);
    EXPECT_EQ(0, rows[2].identifier);  // missing key
    EXPECT_EQ("", rows[2].description);
    // Identifiers outside the set are stored unchanged, with empty texts.
    EXPECT_EQ(77, rows[5].identifier);
    EXPECT_EQ("", rows[5].description);
    EXPECT_EQ(-4, rows[6].identifier);
    EXPECT_EQ(0, rows[7].identifier);  // not an integer: the default
}

TEST(FunctionAssignment, ChoosingAFunctionShowsTheWholeEntryAndItsLabel) {
    test::TempDir dir;
    test::writeBytes(dir.file("set.ini"), "[Funkce]\nf0=7\n[DOT]\nf2_label=OR\n");
    FunctionAssignment assignment;
    assignment.loadAssignment(SettingsFile(dir.file("set.ini")));
    assignment.chooseFunction(0, 2);
    EXPECT_EQ(2, assignment.rows()[0].identifier);
    EXPECT_EQ("in1 OR in2       int x int -> int|OR", assignment.rows()[0].description);
    EXPECT_EQ("OR", assignment.rows()[0].label);
    assignment.chooseFunction(1, 0);
    EXPECT_EQ("", assignment.rows()[1].description);
    EXPECT_EQ("", assignment.rows()[1].label);

    // Without saving, a fresh start reads the stored identifier again.
    FunctionAssignment restarted;
    restarted.loadAssignment(SettingsFile(dir.file("set.ini")));
    EXPECT_EQ(7, restarted.rows()[0].identifier);
}

TEST(FunctionAssignment, SaveThenLoadReproducesEveryRowAndKeepsOtherKeys) {
    test::TempDir dir;
    const std::string path = dir.file("set.ini");
    test::writeBytes(path, "; kept by hand\n[DOT]\nf4_label=PASS\nf4_fillcolor=#ffcccc\n[Mine]\nx=1\n");
    FunctionAssignment assignment;
    SettingsFile settings(path);
    assignment.loadAssignment(settings);
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, (gene * 7) % 52);
    assignment.saveAssignment(settings);

    FunctionAssignment restarted;
    restarted.loadAssignment(SettingsFile(path));
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        EXPECT_EQ((gene * 7) % 52, restarted.rows()[static_cast<std::size_t>(gene)].identifier) << gene;
    }
    EXPECT_EQ("PASS", SettingsFile(path).readString("DOT", "f4_label", ""));
    EXPECT_EQ("#ffcccc", SettingsFile(path).readString("DOT", "f4_fillcolor", ""));
    EXPECT_EQ(1, SettingsFile(path).readInt("Mine", "x", 0));
    EXPECT_NE(std::string::npos, test::readBytes(path).find("; kept by hand"));
    // Empty labels are not written.
    EXPECT_EQ("absent", SettingsFile(path).readString("DOT", "f5_label", "absent"));
}

TEST(FunctionAssignment, RefreshPutsTheLabelOfEachRowsIdentifierBack) {
    test::TempDir dir;
    test::writeBytes(dir.file("set.ini"), "[DOT]\nf9_label=NOR\n");
    FunctionAssignment assignment;
    assignment.loadAssignment(SettingsFile(dir.file("set.ini")));
    assignment.setIdentifier(3, 9);  // as a layout file does: the label cell is stale
    EXPECT_EQ("", assignment.rows()[3].label);
    assignment.refreshLabels();
    EXPECT_EQ("NOR", assignment.rows()[3].label);
    EXPECT_EQ("", FunctionAssignment::labelPart("no bar"));
    EXPECT_EQ("a", FunctionAssignment::descriptionPart("a|b|c"));
    EXPECT_EQ("b|c", FunctionAssignment::labelPart("a|b|c"));
}

}  // namespace
}  // namespace pellisor
