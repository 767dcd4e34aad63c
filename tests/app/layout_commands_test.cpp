#include "app/layout_commands.h"

#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pellisor {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

// 3 inputs, 2 columns of 2 rows, 1 output: 8 entries.
constexpr const char* kSmallCircuit = "{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)";
// The same grid with a fourth input: 9 entries.
constexpr const char* kFourInputCircuit = "{4,1,2,2,2,1,-1}(0,1,1)(1,2,3)(4,5,2)(5,0,6)(7)";

Chromosome circuitOf(const std::string& line) {
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    return circuit;
}

// A table loaded from a set.ini with a label for function 4, so the chooser holds its 52 entries.
FunctionAssignment loadedAssignment(const TempDir& dir) {
    writeBytes(dir.file("set.ini"), "[DOT]\nf4_label=A\n[Funkce]\nf0=1\nf1=2\n");
    FunctionAssignment assignment;
    assignment.loadAssignment(SettingsFile(dir.file("set.ini")));
    return assignment;
}

// Records every question and answers with a fixed reply.
struct Asker {
    bool answer = true;
    std::vector<std::pair<std::string, std::string>> questions;
    AskYesNo callback() {
        return [this](const std::string& text, const std::string& caption) {
            questions.emplace_back(text, caption);
            return answer;
        };
    }
};

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

// The header of a layout for kSmallCircuit, for hand-written files.
const std::string kSmallGlobal = "[Global]\nm=2\nn=2\nmaxidx=8\n";

TEST(LayoutFile, SavedLayoutLoadsBackEverythingItKeeps) {
    TempDir dir;
    FunctionAssignment saved = loadedAssignment(dir);
    saved.chooseFunction(0, 4);
    saved.chooseFunction(5, 51);
    saved.setIdentifier(31, 17);
    Chromosome circuit = circuitOf(kSmallCircuit);
    for (std::int32_t j = 0; j < circuit.blockTotal(); ++j) {
        circuit.blocks[static_cast<std::size_t>(j)].x = 10 + j;
        circuit.blocks[static_cast<std::size_t>(j)].y = 100 + 3 * j;
        circuit.blocks[static_cast<std::size_t>(j)].visible = j % 2 == 0;
    }
    circuit.blocks[0].value = 7;
    circuit.blocks[1].value = -5;
    circuit.blocks[2].value = 255;
    DisplayOptions options;
    options.hiddenBlocks = false;
    options.values = false;
    Asker asker;
    const std::string path = dir.file("circuit.ini");
    ASSERT_TRUE(saveLayout(path, circuit, saved, options, asker.callback()));
    EXPECT_TRUE(asker.questions.empty());  // a fresh file is written without asking

    Chromosome loaded = circuitOf(kSmallCircuit);
    FunctionAssignment assignment = loadedAssignment(dir);
    DisplayOptions loadedOptions;
    loadedOptions.hiddenBlocks = true;
    loadedOptions.values = true;
    EXPECT_EQ(loadLayout(path, loaded, assignment, loadedOptions).status, LayoutLoadStatus::Applied);
    for (std::int32_t j = 0; j < circuit.blockTotal(); ++j) {
        const Block& expected = circuit.blocks[static_cast<std::size_t>(j)];
        const Block& actual = loaded.blocks[static_cast<std::size_t>(j)];
        EXPECT_EQ(actual.x, expected.x) << j;
        EXPECT_EQ(actual.y, expected.y) << j;
        EXPECT_EQ(actual.visible, expected.visible) << j;
        EXPECT_EQ(actual.value, expected.value) << j;
    }
    EXPECT_EQ(loadedOptions, options);
    for (std::size_t g = 0; g < kGeneCount; ++g) {
        EXPECT_EQ(assignment.rows()[g].identifier, saved.rows()[g].identifier) << g;
    }
    // The description cell holds the whole chooser entry; the label cell is left as it was.
    EXPECT_EQ(assignment.rows()[0].description, "in1              int x int -> int|A");
    EXPECT_EQ(assignment.rows()[0].label, "");  // gene 0 was 1 ("AND", no label) before the load
    EXPECT_EQ(assignment.rows()[5].description, "in1 SHL 15|");
    EXPECT_EQ(assignment.rows()[31].description, "255|");
    EXPECT_EQ(assignment.rows()[1].description, "in1 OR in2       int x int -> int|");
}

TEST(LayoutFile, FreshFileHoldsTheKeysInTheOrderWritten) {
    TempDir dir;
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 4);
    assignment.setIdentifier(1, 5);
    assignment.setIdentifier(31, 51);
    Chromosome circuit = circuitOf("{1,1,1,1,2,1,-1}(0,0,2)(1)");
    circuit.blocks[0].x = 20;
    circuit.blocks[0].y = 40;
    circuit.blocks[0].value = 3;
    circuit.blocks[1].x = 80;
    circuit.blocks[1].y = 30;
    circuit.blocks[1].value = 9;  // a block's value is not kept
    circuit.blocks[1].visible = false;
    circuit.blocks[2].x = 160;
    circuit.blocks[2].y = 40;
    DisplayOptions options;
    options.hiddenBlocks = true;
    options.values = false;
    const std::string path = dir.file("c.ini");
    ASSERT_TRUE(saveLayout(path, circuit, assignment, options, nullptr));

    // The settings writer parts sections with two blank lines.
    std::string expected = "[Global]\nm=1\nn=1\nmaxidx=3\nhidblock=1\neval=0\n\n\n[Eval]\nf1=4\nf2=5\n";
    for (int i = 3; i <= 31; ++i)
        expected += "f" + std::to_string(i) + "=0\n";
    expected += "f32=51\n\n\n";
    expected += "[b0]\nx=20\ny=40\nval=3\nvis=1\n\n\n";
    expected += "[b1]\nx=80\ny=30\nvis=0\n\n\n";
    expected += "[b2]\nx=160\ny=40\nvis=1\n";
    EXPECT_EQ(readBytes(path), expected);
}

TEST(LayoutFile, EntriesAreMatchedByIndexWhenTheInputCountChanged) {
    TempDir dir;
    FunctionAssignment assignment = loadedAssignment(dir);
    Chromosome old = circuitOf(kSmallCircuit);
    for (std::int32_t j = 0; j < old.blockTotal(); ++j) {
        old.blocks[static_cast<std::size_t>(j)].x = 1000 + j;
        old.blocks[static_cast<std::size_t>(j)].y = 2000 + j;
    }
    old.blocks[3].visible = false;
    const std::string path = dir.file("c.ini");
    ASSERT_TRUE(saveLayout(path, old, assignment, DisplayOptions{}, nullptr));

    Chromosome circuit = circuitOf(kFourInputCircuit);
    circuit.blocks[3].value = 42;
    circuit.blocks[8].x = 77;
    circuit.blocks[8].y = 88;
    circuit.blocks[8].visible = false;
    DisplayOptions options;
    EXPECT_EQ(loadLayout(path, circuit, assignment, options).status, LayoutLoadStatus::Applied);
    // The old first block's section now places the fourth input; it had no "val".
    EXPECT_EQ(circuit.blocks[3].x, 1003);
    EXPECT_EQ(circuit.blocks[3].y, 2003);
    EXPECT_FALSE(circuit.blocks[3].visible);
    EXPECT_EQ(circuit.blocks[3].value, 42);
    EXPECT_EQ(circuit.blocks[7].x, 1007);
    // The last entry has no section: it stays where it was and becomes visible.
    EXPECT_EQ(circuit.blocks[8].x, 77);
    EXPECT_EQ(circuit.blocks[8].y, 88);
    EXPECT_TRUE(circuit.blocks[8].visible);
}

// Loads a hand-written layout into a fresh kSmallCircuit whose entries all sit at (5, 6), invisible,
// with value 9, with both options off and gene 0 mapped to 1.
struct LoadOutcome {
    LayoutLoadStatus status = LayoutLoadStatus::Mismatch;
    Chromosome circuit;
    DisplayOptions options;
    FunctionAssignment assignment;
};

LoadOutcome loadText(const TempDir& dir, const std::string& text, const std::string& line = kSmallCircuit) {
    LoadOutcome outcome;
    outcome.assignment = loadedAssignment(dir);
    outcome.circuit = circuitOf(line);
    for (Block& block : outcome.circuit.blocks) {
        block.x = 5;
        block.y = 6;
        block.visible = false;
        block.value = 9;
    }
    outcome.options.hiddenBlocks = false;
    outcome.options.values = false;
    writeBytes(dir.file("hand.ini"), text);
    outcome.status =
        loadLayout(dir.file("hand.ini"), outcome.circuit, outcome.assignment, outcome.options).status;
    return outcome;
}

void expectUntouched(const LoadOutcome& outcome) {
    EXPECT_EQ(outcome.status, LayoutLoadStatus::Mismatch);
    for (const Block& block : outcome.circuit.blocks) {
        EXPECT_EQ(block.x, 5);
        EXPECT_EQ(block.y, 6);
        EXPECT_FALSE(block.visible);
        EXPECT_EQ(block.value, 9);
    }
    EXPECT_FALSE(outcome.options.hiddenBlocks);
    EXPECT_FALSE(outcome.options.values);
    EXPECT_EQ(outcome.assignment.rows()[0].identifier, 1);
}

TEST(LayoutFile, LayoutOfALargerCircuitIsNotApplied) {
    TempDir dir;
    expectUntouched(loadText(dir, "[Global]\nm=2\nn=2\nmaxidx=9\n[b0]\nx=1\n[Eval]\nf1=3\n"));
    // Equal to the entry count is fine.
    EXPECT_EQ(loadText(dir, "[Global]\nm=2\nn=2\nmaxidx=8\n").status, LayoutLoadStatus::Applied);
}

TEST(LayoutFile, LayoutOfAnotherGridIsNotApplied) {
    TempDir dir;
    expectUntouched(loadText(dir, "[Global]\nm=3\nn=2\nmaxidx=8\n[b0]\nx=1\n"));
    expectUntouched(loadText(dir, "[Global]\nm=2\nn=1\nmaxidx=8\n[b0]\nx=1\n"));
    expectUntouched(loadText(dir, "[Global]\nn=2\nmaxidx=8\n[b0]\nx=1\n"));  // "m" missing reads -1
    expectUntouched(loadText(dir, "[b0]\nx=1\n"));
}

TEST(LayoutFile, MissingKeysTakeTheirDefaults) {
    TempDir dir;
    const LoadOutcome outcome = loadText(dir, "[Global]\nm=2\nn=2\n[b1]\nx=-1\ny=12\nvis=0\n");
    ASSERT_EQ(outcome.status, LayoutLoadStatus::Applied);  // "maxidx" missing reads 0
    EXPECT_EQ(outcome.circuit.blocks[1].x, 5);             // -1 is not a position
    EXPECT_EQ(outcome.circuit.blocks[1].y, 12);
    EXPECT_EQ(outcome.circuit.blocks[1].value, 9);
    EXPECT_FALSE(outcome.circuit.blocks[1].visible);
    EXPECT_EQ(outcome.circuit.blocks[0].x, 5);
    EXPECT_TRUE(outcome.circuit.blocks[0].visible);
    EXPECT_TRUE(outcome.options.hiddenBlocks);
    EXPECT_TRUE(outcome.options.values);
    // Every row without a key reads "0".
    for (const AssignmentRow& row : outcome.assignment.rows()) {
        EXPECT_EQ(row.identifier, 0);
        EXPECT_EQ(row.description, "");
    }
}

TEST(LayoutFile, HandWrittenValueOfAFunctionBlockIsApplied) {
    TempDir dir;
    const LoadOutcome outcome = loadText(dir, kSmallGlobal + "[b4]\nval=200\n[b5]\nval=-1\n[b7]\nval=-7\n");
    ASSERT_EQ(outcome.status, LayoutLoadStatus::Applied);
    EXPECT_EQ(outcome.circuit.blocks[4].value, 200);
    EXPECT_EQ(outcome.circuit.blocks[5].value, 9);
    EXPECT_EQ(outcome.circuit.blocks[7].value, -7);
}

TEST(LayoutFile, IntegersMayBeHexadecimal) {
    TempDir dir;
    const LoadOutcome outcome = loadText(dir,
                                         "[Global]\nm=0x2\nn=0X02\nmaxidx=0x8\nhidblock=0x10\neval=0x0\n"
                                         "[Eval]\nf1=0x1F\n"
                                         "[b0]\nx=0x1F\ny=0xff\nval=-0x10\nvis=0x2\n"
                                         "[b1]\nx=0x\ny=0x100000000\nval=1x2\nvis=0xg\n"
                                         "[b2]\nx=2147483647\ny=-2147483648\nval=2147483648\nvis=1 1\n");
    ASSERT_EQ(outcome.status, LayoutLoadStatus::Applied);
    EXPECT_TRUE(outcome.options.hiddenBlocks);
    EXPECT_FALSE(outcome.options.values);
    EXPECT_EQ(outcome.assignment.rows()[0].identifier, 31);
    EXPECT_EQ(outcome.circuit.blocks[0].x, 31);
    EXPECT_EQ(outcome.circuit.blocks[0].y, 255);
    EXPECT_EQ(outcome.circuit.blocks[0].value, -16);
    EXPECT_TRUE(outcome.circuit.blocks[0].visible);
    // Unreadable values and values beyond 32 bits take the defaults.
    EXPECT_EQ(outcome.circuit.blocks[1].x, 5);
    EXPECT_EQ(outcome.circuit.blocks[1].y, 6);
    EXPECT_EQ(outcome.circuit.blocks[1].value, 9);
    EXPECT_TRUE(outcome.circuit.blocks[1].visible);
    EXPECT_EQ(outcome.circuit.blocks[2].x, 2147483647);
    EXPECT_EQ(outcome.circuit.blocks[2].y, -2147483648);
    EXPECT_EQ(outcome.circuit.blocks[2].value, 9);
    EXPECT_TRUE(outcome.circuit.blocks[2].visible);
}

TEST(LayoutFile, KeysMatchWithoutRegardToCase) {
    TempDir dir;
    const LoadOutcome outcome =
        loadText(dir, "[GLOBAL]\nM=2\nN=2\nMaxIdx=8\nHIDBLOCK=0\n[eval]\nF1=3\n[B6]\nX=300\nVis=1\n");
    ASSERT_EQ(outcome.status, LayoutLoadStatus::Applied);
    EXPECT_FALSE(outcome.options.hiddenBlocks);
    EXPECT_EQ(outcome.assignment.rows()[0].identifier, 3);
    EXPECT_EQ(outcome.circuit.blocks[6].x, 300);
    EXPECT_TRUE(outcome.circuit.blocks[6].visible);
}

TEST(LayoutFile, MissingFileIsReportedAndChangesNothing) {
    TempDir dir;
    Chromosome circuit = circuitOf(kSmallCircuit);
    circuit.blocks[0].visible = false;
    FunctionAssignment assignment = loadedAssignment(dir);
    DisplayOptions options;
    const DisplayOptions before = options;
    const std::string path = dir.file("none.ini");
    const LayoutLoadResult result = loadLayout(path, circuit, assignment, options);
    EXPECT_EQ(result.status, LayoutLoadStatus::Missing);
    EXPECT_EQ(result.message, "Soubor " + path + " neexistuje!");
    EXPECT_FALSE(circuit.blocks[0].visible);
    EXPECT_EQ(options, before);
    EXPECT_EQ(assignment.rows()[0].identifier, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(LayoutFile, ExistingFileIsOverwrittenOnlyAfterYes) {
    TempDir dir;
    const FunctionAssignment assignment = loadedAssignment(dir);
    Chromosome circuit = circuitOf(kSmallCircuit);
    const std::string path = dir.file("c.ini");
    const std::string before = "; mine\n[Global]\nm=9\n";
    writeBytes(path, before);

    Asker no;
    no.answer = false;
    EXPECT_FALSE(saveLayout(path, circuit, assignment, DisplayOptions{}, no.callback()));
    ASSERT_EQ(no.questions.size(), 1u);
    EXPECT_EQ(no.questions[0].first, "Opravdu si přejete uložit rozmístění?");
    EXPECT_EQ(no.questions[0].second, "Uložení");
    EXPECT_EQ(readBytes(path), before);

    // Nobody to answer: nothing is overwritten.
    EXPECT_FALSE(saveLayout(path, circuit, assignment, DisplayOptions{}, nullptr));
    EXPECT_EQ(readBytes(path), before);

    Asker yes;
    EXPECT_TRUE(saveLayout(path, circuit, assignment, DisplayOptions{}, yes.callback()));
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(SettingsFile(path).readInt("Global", "m", 0), 2);
}

TEST(LayoutFile, SaveKeepsWhatItDoesNotWrite) {
    TempDir dir;
    const FunctionAssignment assignment = loadedAssignment(dir);
    const std::string path = dir.file("c.ini");
    writeBytes(path,
               "; placed by hand\n[Global]\nm=3\nnote=keep\n[b0]\nx=1\nval=4\nextra=yes\n"
               "[b3]\nval=77\n[b8]\nx=800\n[b9]\nx=900\n[Other]\nk=v\n");
    Chromosome circuit = circuitOf(kSmallCircuit);
    circuit.blocks[0].x = 21;
    ASSERT_TRUE(saveLayout(path, circuit, assignment, DisplayOptions{}, [](auto&&...) { return true; }));

    const std::string text = readBytes(path);
    EXPECT_EQ(text.rfind("; placed by hand\n", 0), 0u) << text;
    // Existing keys are overwritten where they stand, new ones follow them.
    EXPECT_NE(text.find("[Global]\nm=2\nnote=keep\nn=2\nmaxidx=8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[b0]\nx=21\nval=0\nextra=yes\ny=0\nvis=1\n"), std::string::npos) << text;
    const SettingsFile file(path);
    EXPECT_EQ(file.readInt("b0", "x", 0), 21);
    EXPECT_EQ(file.readString("b0", "extra", ""), "yes");
    EXPECT_EQ(file.readString("b3", "val", ""), "77");  // a block's stale "val" is not removed
    EXPECT_EQ(file.readInt("b8", "x", 0), 800);
    EXPECT_EQ(file.readInt("b9", "x", 0), 900);
    EXPECT_EQ(file.readString("Other", "k", ""), "v");
    EXPECT_EQ(file.readInt("Global", "maxidx", 0), 8);
}

TEST(LayoutFile, IdentifierThatIsNoIntegerStopsTheLoadAtItsRow) {
    TempDir dir;
    writeBytes(dir.file("c.ini"), kSmallGlobal + "hidblock=1\n[Eval]\nf1=3\nf2=abc\nf3=5\n[b2]\nx=50\n");
    Chromosome circuit = circuitOf(kSmallCircuit);
    FunctionAssignment assignment = loadedAssignment(dir);
    DisplayOptions options;
    options.hiddenBlocks = false;
    EXPECT_EQ(errorOf([&] { loadLayout(dir.file("c.ini"), circuit, assignment, options); }),
              "'abc' is not a valid integer value");
    // Positions and options come before the table and stay applied.
    EXPECT_EQ(circuit.blocks[2].x, 50);
    EXPECT_TRUE(options.hiddenBlocks);
    EXPECT_EQ(assignment.rows()[0].identifier, 3);
    EXPECT_EQ(assignment.rows()[1].identifier, 2);  // still what set.ini gave gene 1
    EXPECT_EQ(assignment.rows()[2].identifier, 0);
}

TEST(LayoutFile, IdentifierWithoutChooserEntryStopsTheLoadAtItsRow) {
    TempDir dir;
    writeBytes(dir.file("c.ini"), kSmallGlobal + "[Eval]\nf1=4\nf2=77\nf3=5\n[b7]\nvis=0\n");
    Chromosome circuit = circuitOf(kSmallCircuit);
    FunctionAssignment assignment = loadedAssignment(dir);
    const std::string description = assignment.rows()[1].description;
    DisplayOptions options;
    EXPECT_EQ(errorOf([&] { loadLayout(dir.file("c.ini"), circuit, assignment, options); }),
              "List index out of bounds (77)");
    EXPECT_FALSE(circuit.blocks[7].visible);
    EXPECT_EQ(assignment.rows()[0].identifier, 4);
    // The identifier is stored before its entry is looked up; the description stays.
    EXPECT_EQ(assignment.rows()[1].identifier, 77);
    EXPECT_EQ(assignment.rows()[1].description, description);
    EXPECT_EQ(assignment.rows()[2].identifier, 0);

    writeBytes(dir.file("c.ini"), kSmallGlobal + "[Eval]\nf1=-1\n");
    EXPECT_EQ(errorOf([&] { loadLayout(dir.file("c.ini"), circuit, assignment, options); }),
              "List index out of bounds (-1)");
    writeBytes(dir.file("c.ini"), kSmallGlobal + "[Eval]\nf1=52\n");
    EXPECT_EQ(errorOf([&] { loadLayout(dir.file("c.ini"), circuit, assignment, options); }),
              "List index out of bounds (52)");
    writeBytes(dir.file("c.ini"), kSmallGlobal + "[Eval]\nf1=51\n");
    EXPECT_EQ(loadLayout(dir.file("c.ini"), circuit, assignment, options).status, LayoutLoadStatus::Applied);
}

TEST(LayoutFile, ATableNeverLoadedHasNoChooserEntries) {
    TempDir dir;
    writeBytes(dir.file("c.ini"), kSmallGlobal);
    Chromosome circuit = circuitOf(kSmallCircuit);
    FunctionAssignment assignment;
    DisplayOptions options;
    EXPECT_EQ(errorOf([&] { loadLayout(dir.file("c.ini"), circuit, assignment, options); }),
              "List index out of bounds (0)");
}

TEST(LayoutFile, WithoutACircuitNothingIsLoadedOrSaved) {
    TempDir dir;
    writeBytes(dir.file("c.ini"), "[Global]\nm=0\nn=0\nhidblock=0\n");
    Chromosome circuit;
    FunctionAssignment assignment = loadedAssignment(dir);
    DisplayOptions options;
    const DisplayOptions before = options;
    EXPECT_EQ(loadLayout(dir.file("c.ini"), circuit, assignment, options).status, LayoutLoadStatus::Mismatch);
    EXPECT_EQ(options, before);
    EXPECT_EQ(assignment.rows()[0].identifier, 1);
    EXPECT_EQ(loadLayout(dir.file("none.ini"), circuit, assignment, options).status,
              LayoutLoadStatus::Missing);

    EXPECT_THROW(saveLayout(dir.file("new.ini"), circuit, assignment, options, nullptr), Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini")));
}

std::string currentDirectory() {
    return std::filesystem::current_path().string();
}

TEST(LayoutFile, LoadPathPrefersTheCommandLineNameAndPlacesBareNamesInTheCurrentDirectory) {
    EXPECT_EQ(layoutPathForLoad("/data/run/c.chr", ""), "/data/run/c.ini");
    EXPECT_EQ(layoutPathForLoad("/data/run.d/c", ""), "/data/run.d/c.ini");
    EXPECT_EQ(layoutPathForLoad("/data/c.chr", "/other/l.ini"), "/other/l.ini");
    EXPECT_EQ(layoutPathForLoad("/data/c.chr", "sub/l.ini"), "sub/l.ini");
    EXPECT_EQ(layoutPathForLoad("/data/c.chr", "l.ini"), currentDirectory() + "/l.ini");
    EXPECT_EQ(layoutPathForLoad("c.chr", ""), currentDirectory() + "/c.ini");
    EXPECT_EQ(layoutPathForLoad("c.chr", "x.ini"), currentDirectory() + "/x.ini");
}

TEST(LayoutFile, LoadPathFollowsTheCurrentDirectory) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string expected = std::filesystem::current_path().string() + "/c.ini";
    const std::string path = layoutPathForLoad("c.chr", "");
    std::filesystem::current_path(previous);
    EXPECT_EQ(path, expected);
}

TEST(LayoutFile, SavePathIsTheChromosomeFileWithIniExtension) {
    EXPECT_EQ(layoutPathForSave("/data/run/c.chr"), "/data/run/c.ini");
    EXPECT_EQ(layoutPathForSave("c.chr"), "c.ini");
    EXPECT_EQ(layoutPathForSave("/data/run.d/c"), "/data/run.d/c.ini");
}

TEST(LayoutFile, LargeCircuitSavesAndLoadsInOneGo) {
    TempDir dir;
    std::string line = "{2,2,100,200,2,1,-1}";
    for (int k = 0; k < 100 * 200; ++k)
        line += "(0,1,0)";
    line += "(2,3)";
    Chromosome circuit = circuitOf(line);
    ASSERT_EQ(circuit.blockTotal(), 20004);
    for (std::int32_t j = 0; j < circuit.blockTotal(); ++j) {
        circuit.blocks[static_cast<std::size_t>(j)].x = j;
        circuit.blocks[static_cast<std::size_t>(j)].y = 2 * j;
        circuit.blocks[static_cast<std::size_t>(j)].visible = j % 3 != 0;
    }
    const FunctionAssignment saved = loadedAssignment(dir);
    const std::string path = dir.file("big.ini");
    ASSERT_TRUE(saveLayout(path, circuit, saved, DisplayOptions{}, nullptr));

    Chromosome loaded = circuitOf(line);
    FunctionAssignment assignment = loadedAssignment(dir);
    DisplayOptions options;
    ASSERT_EQ(loadLayout(path, loaded, assignment, options).status, LayoutLoadStatus::Applied);
    for (std::int32_t j = 0; j < circuit.blockTotal(); ++j) {
        const Block& block = loaded.blocks[static_cast<std::size_t>(j)];
        ASSERT_EQ(block.x, j);
        ASSERT_EQ(block.y, 2 * j);
        ASSERT_EQ(block.visible, j % 3 != 0);
    }
}

}  // namespace
}  // namespace pellisor
