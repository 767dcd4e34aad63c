// The gate-level (.cgp) and comparator (.cha) dialects: what they convert into, what they refuse and
// how the loader reaches them.
#include "model/cgp_file.h"
#include "model/cha_file.h"
#include "model/chromosome_file.h"
#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pellisor {
namespace {

std::string errorOf(const std::function<void()>& convert) {
    try {
        convert();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(ConvertedFiles, GatesKeepTheirNumbersBehindTheConstantsAndTrueAndFalseReadConstantZero) {
    // Inputs 2..4; gate 5 = AND(in0, in1), 6 = XOR(5, in2), 7 = OR(const 0, const 1), 8 = TRUE, 9 = FALSE.
    const ConvertedCircuit converted =
        convertCgpText("{3,3,1,5,2,1,5}([5]2,3,2)([6]5,4,4)([7]0,1,3)([8]6,7,8)([9]2,2,9)(6,1,4)");
    EXPECT_EQ("{3,3,7,1,2,1,-1}([3]0,0,9)([4]3,3,8)([5]0,1,2)([6]5,2,4)([7]3,4,3)([8]3,3,8)([9]3,3,9)(6,4,2)",
              converted.line);
    EXPECT_EQ((std::vector<GeneFunction>{
                  {0, 4}, {1, 6}, {2, 1}, {3, 2}, {4, 3}, {5, 8}, {6, 9}, {7, 16}, {8, 6}, {9, 0}}),
              converted.functions.genes);
    EXPECT_EQ((std::map<std::int32_t, std::string>{{0, "0"},
                                                   {1, "AND"},
                                                   {2, "OR"},
                                                   {3, "XOR"},
                                                   {4, "BUF"},
                                                   {6, "NOT"},
                                                   {8, "NAND"},
                                                   {9, "NOR"},
                                                   {16, "XNOR"}}),
              converted.functions.labels);
    // No gates at all still leaves the two constants as the grid.
    EXPECT_EQ("{1,1,2,1,2,1,-1}([1]0,0,9)([2]1,1,8)(2)", convertCgpText("{1,1,1,0,2,1,1}(1)").line);
}

TEST(ConvertedFiles, ComparatorNodesBecomeColumnsOfMinAndMax) {
    const ConvertedCircuit converted = convertChaText(
        "{3,1,3,1,2,2,3}\n([3,4]0,1,1)\n([5,6]4,2,1)\n"
        "([7,8]3,5,2)\n(8)\n");
    EXPECT_EQ("{3,1,3,2,2,1,-1}([3]0,1,1)([4]0,1,2)([5]4,2,1)([6]4,2,2)([7]3,5,2)([8]3,5,1)(8)",
              converted.line);
    EXPECT_EQ((std::vector<GeneFunction>{{1, 11}, {2, 10}}), converted.functions.genes);
    EXPECT_EQ((std::map<std::int32_t, std::string>{{10, "MAX"}, {11, "MIN"}}), converted.functions.labels);
}

TEST(ConvertedFiles, GateLevelFilesThatBreakTheDialectAreRefusedWithTheReason) {
    const std::string kPrefix = "Soubor cgp nelze převést: ";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "soubor končí předčasně, čeká se '{' (začátek hlavičky)"},
        {"{2,1,1,1,2,1}([4]2,3,2)(4)",
         "hlavička má mít sedm čísel {vstupy,výstupy,řádky,sloupce,ni,no,lback}, má jich 6"},
        {"{2,1,1,1,3,1,1}([4]2,3,2)(4)",
         "převést lze jen hradla se dvěma vstupy a jedním výstupem (ni=2, no=1), hlavička udává ni=3, no=1"},
        {"{0,1,1,1,2,1,1}([2]0,1,2)(2)", "počet vstupů 0 leží mimo 1..1048576"},
        {"{2,-1,1,1,2,1,1}([4]2,3,2)()", "počet výstupů -1 je záporný"},
        {"{2,1,1,2,2,1,1}([4]2,3,2)(4)", "hlavička udává počet hradel 1 × 2 = 2, soubor jich popisuje 1"},
        {"{2,2,1,1,2,1,1}([4]2,3,2)(4)",
         "hlavička udává počet výstupů 2, skupina výstupů jich uvádí 1 (řádek 1, znak 26)"},
        {"{2,1,1,1,2,1,1}([4]4,3,2)(4)", "hradlo 4 čte na vstupu a samo sebe (řádek 1, znak 16)"},
        {"{2,1,1,2,2,1,1}([4]2,5,2)([5]2,3,2)(5)",
         "hradlo 4 čte na vstupu b pozdější hradlo 5 (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]-1,3,2)(4)",
         "hradlo 4 čte na vstupu a neexistující index -1 (platné jsou 0..3) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]2,9,2)(4)",
         "hradlo 4 čte na vstupu b neexistující index 9 (platné jsou 0..3) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]2,3,10)(4)",
         "hradlo 4 má neznámou funkci 10 (platné jsou 0..9) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([5]2,3,2)(4)",
         "hradlo má v hranatých závorkách jiné číslo než 4, které mu patří podle pořadí (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]2,3)(4)",
         "hradlo 4 má mít tři čísla (vstup a, vstup b, funkce), má jich 2 (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}\n([4]2,3,2)", "za posledním blokem chybí skupina výstupů (řádek 2, znak 1)"},
        {"{2,1,1,1,2,1,1}([4]2,3,2)(5)",
         "výstup 0 čte neexistující index 5 (platné jsou 0..4) (řádek 1, znak 26)"},
        {"{2,1,1,1,2,1,1}([4]2 3,2)(4)", "místo ',' nebo ')' stojí '3' (řádek 1, znak 22)"},
        {"{2,1,1,1,2,1,1}([4]2,3,2)(4", "soubor končí předčasně, čeká se ',' nebo ')'"},
        {"{2,1,1,1,2,1,1}([4]2,3,2)x(4)", "místo '(' stojí 'x' (řádek 1, znak 26)"},
        {"{2,1,1,1,2,1,1}([4]2,3,2)(4)\xc3\xa9", "místo '(' stojí bajt 0xC3 (řádek 1, znak 29)"},
        {"{2,1,1,1,2,1,1}([4]2,3,99999999999)(4)", "číslo 99999999999 je příliš velké (řádek 1, znak 24)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(kPrefix + message, errorOf([&] { convertCgpText(text); })) << text;
}

TEST(ConvertedFiles, ComparatorFilesThatBreakTheDialectAreRefusedWithTheReason) {
    const std::string kPrefix = "Soubor cha nelze převést: ";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"{2,1,1,1,2,3,1}([2,3]0,1,1)(2)",
         "uzel sítě má jeden řádek, dva vstupy a dva výstupy (1,2,2), hlavička udává 1,2,3"},
        {"{2,1,0,1,2,2,1}(1)", "síť musí mít alespoň jeden uzel, hlavička udává 0"},
        {"{2,1,2,1,2,2,1}([2,3]0,1,1)(2)", "hlavička udává počet uzlů 2, soubor jich popisuje 1"},
        {"{2,1,1,1,2,2,1}([3,4]0,1,1)(2)",
         "uzel má v hranatých závorkách jiná id než [2,3], která mu patří podle pořadí (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2]0,1,1)(2)",
         "uzel má v hranatých závorkách jiná id než [2,3], která mu patří podle pořadí (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,3,1)(2)", "uzel [2,3] čte sám sebe (řádek 1, znak 16)"},
        {"{2,1,2,1,2,2,1}([2,3]0,4,1)([4,5]0,1,1)(5)", "uzel [2,3] čte pozdější uzel 4 (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,7,1)(2)",
         "uzel [2,3] čte neexistující id 7 (platná jsou 0..1) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,1,0)(2)",
         "uzel [2,3] má neznámou funkci 0 (1: p = MIN, q = MAX; 2: p = MAX, q = MIN) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,1,1)(4)",
         "výstup 0 čte neexistující index 4 (platné jsou 0..3) (řádek 1, znak 28)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(kPrefix + message, errorOf([&] { convertChaText(text); })) << text;
}

TEST(ConvertedFiles, TheLoaderConvertsByTheExtensionWithItsCase) {
    test::TempDir dir;
    const auto load = [&](const std::string& name, const std::string& bytes) {
        test::writeBytes(dir.file(name), bytes);
        Chromosome circuit;
        circuit.inputNames = {"old"};
        std::string fileName;
        const auto loaded = loadChromosomeFile(dir.file(name), circuit, fileName, {});
        EXPECT_EQ(dir.file(name), fileName);
        EXPECT_TRUE(circuit.inputNames.empty());
        return *loaded;
    };
    // A byte-order mark and CR LF line ends, as any editor may leave them.
    LoadedChromosome loaded = load("a.cgp", "\xef\xbb\xbf{1,1,1,1,2,1,1}\r\n([3]2,2,1)\r\n(3)\r\n");
    EXPECT_EQ("{1,1,3,1,2,1,-1}([1]0,0,9)([2]1,1,8)([3]0,0,1)(3)", loaded.text);
    EXPECT_EQ("", loaded.description);
    EXPECT_TRUE(loaded.placeByDepth);
    EXPECT_EQ(10u, loaded.functions.genes.size());

    loaded = load("b.cha", "{2,1,1,1,2,2,1}([2,3]0,1,2)(3)");
    EXPECT_EQ("{2,1,1,2,2,1,-1}([2]0,1,2)([3]0,1,1)(3)", loaded.text);
    EXPECT_TRUE(loaded.placeByDepth);

    for (const char* other : {"c.CGP", "c.CHA"}) {
        loaded = load(other, "{2,1,1,1,2,2,1}([2,3]0,1,2)(3)");
        EXPECT_EQ("", loaded.text) << other;
        EXPECT_FALSE(loaded.placeByDepth);
        EXPECT_TRUE(loaded.functions.genes.empty());
    }
    loaded = load("d.chr", "{2,1,1,1,2,1,-1}(0,1,3)(2)\n");
    EXPECT_FALSE(loaded.placeByDepth);
    EXPECT_TRUE(loaded.functions.genes.empty() && loaded.functions.labels.empty());

    // A refused file names its path as loaded, as a refused .vrc answer does.
    test::writeBytes(dir.file("bad.cha"), "{2,1,1,1,2,2,1}([2,3]0,1,2)");
    Chromosome circuit;
    std::string fileName;
    EXPECT_THROW(loadChromosomeFile(dir.file("bad.cha"), circuit, fileName, {}), Error);
    EXPECT_EQ(dir.file("bad.cha"), fileName);
}

}  // namespace
}  // namespace pellisor
